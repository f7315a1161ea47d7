#include "utilities/RichText.h"

#include <exception>

#include "utilities/TextUtils.h"

namespace genvora {

namespace {

IRtfRenderer* g_renderer = nullptr;

IRtfRenderer& Renderer() {
  // One per thread: an export converts notes on several at once, and a
  // renderer holds the document it reads.
  thread_local TRtfDocument ownRenderer;
  return g_renderer != nullptr ? *g_renderer : ownRenderer;
}

AnsiString ReplaceAll(AnsiString text, const AnsiString& from, const AnsiString& to) {
  std::size_t at = 0;
  while ((at = text.find(from, at)) != AnsiString::npos) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

}  // namespace

void SetRtfRendererForConvert(IRtfRenderer* renderer) { g_renderer = renderer; }

bool IsRtfText(const AnsiString& text) { return text.compare(0, 5, "{\\rtf") == 0; }

AnsiString ConvertRtfText(const AnsiString& text, ConvertRtfActionTo action, bool encodeLineBreaks) {
  if (action == ConvertRtfActionTo::Rtf) {
    if (IsRtfText(text)) return text;
    TRtfDocument lines;
    lines.LoadFromStream(text);
    return lines.SaveRtf();
  }
  if (!IsRtfText(text)) return text;
  AnsiString plain;
  try {
    IRtfRenderer& renderer = Renderer();
    renderer.Clear();
    renderer.DeleteUnusedStyles();
    renderer.LoadFromStream(text);
    plain = renderer.GetAllText();
  } catch (const std::exception&) {
    // A renderer that fails leaves the note as it was: every caller can
    // live with the RTF source, none with a lost note.
    return text;
  }
  if (encodeLineBreaks) plain = ReplaceAll(plain, "\r\n", "\\par ");
  return plain;
}

AnsiString ConvertRtfTextForRtf(const AnsiString& text, bool encodeLineBreaks) {
  AnsiString plain = ConvertRtfText(text, ConvertRtfActionTo::Text);
  AnsiString out;
  for (std::size_t i = 0; i < plain.size(); ++i) {
    char c = plain[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '{') {
      out += "\\{";
    } else if (c == '}') {
      out += "\\}";
    } else {
      if (encodeLineBreaks && c == '\r' && i + 1 < plain.size() && plain[i + 1] == '\n' && i + 2 < plain.size())
        out += "\\par ";
      out += c;
    }
  }
  return out;
}

AnsiString ConcatRtf(const AnsiString& first, const AnsiString& second) {
  if (first.empty()) return second;
  if (!IsRtfText(first) && !IsRtfText(second)) return first + "\n" + second;
  IRtfRenderer& renderer = Renderer();
  renderer.Clear();
  renderer.LoadFromStream(first);
  // A plain second note is appended as the RTF of its lines.
  renderer.AppendRtf(IsRtfText(second) ? second : ConvertRtfText(second, ConvertRtfActionTo::Rtf));
  renderer.DeleteUnusedStyles();
  return renderer.SaveRtf();
}

bool IsRtfEqual(const AnsiString& first, const AnsiString& second) {
  return ConvertRtfText(first, ConvertRtfActionTo::Text) == ConvertRtfText(second, ConvertRtfActionTo::Text);
}

void convertBR(AnsiString& text) {
  AnsiString result;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t cr = text.find('\r', from);
    if (cr == AnsiString::npos) {
      result.append(text, from, AnsiString::npos);
      break;
    }
    result.append(text, from, cr - from);
    result += "<br>";
    from = cr + 1;
  }
  text = AnsiTrim(result);
}

}  // namespace genvora
