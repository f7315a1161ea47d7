#include "platform/RtfRenderer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/Encoding.h"

namespace genvora {

namespace {

constexpr std::string_view kRtfMark = "{\\rtf";
constexpr std::string_view kCrLf = "\r\n";
// Control words are at most 32 letters and parameters fit in a signed
// 32-bit number; anything longer is damage and is cut.
constexpr std::size_t kMaxControlWord = 32;
constexpr int kMaxParamDigits = 10;

// Destinations whose content is not text of the document.
constexpr std::array<std::string_view, 33> kSkippedDestinations = {
    "fonttbl",  "colortbl", "stylesheet", "info",     "pict",      "header",       "headerl",
    "headerr",  "headerf",  "footer",     "footerl",  "footerr",   "footerf",      "listtable",
    "listoverridetable",    "rsidtbl",    "generator", "xmlnstbl", "themedata",    "colorschememapping",
    "datastore", "latentstyles", "fldinst", "object", "objdata",   "filetbl",      "revtbl",
    "pntext",   "pntxta",   "pntxtb",     "footnote", "annotation", "shppict"};

bool IsSkippedDestination(std::string_view word) {
  return std::find(kSkippedDestinations.begin(), kSkippedDestinations.end(), word) != kSkippedDestinations.end();
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A Unicode character in Windows-1252, '?' when it has no form there.
AnsiString AnsiOfCodePoint(char32_t cp) {
  if (cp >= 0xD800 && cp <= 0xDFFF) return "?";
  std::string utf8;
  if (cp < 0x80) {
    utf8 += static_cast<char>(cp);
  } else if (cp < 0x800) {
    utf8 += static_cast<char>(0xC0 | (cp >> 6));
    utf8 += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    utf8 += static_cast<char>(0xE0 | (cp >> 12));
    utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    utf8 += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x110000) {
    utf8 += static_cast<char>(0xF0 | (cp >> 18));
    utf8 += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    utf8 += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    return "?";
  }
  return Utf8ToAnsi(utf8);
}

struct GroupState {
  bool skip = false;
  int uc = 1;  // fallback characters after each \uN
  std::uint8_t style = 0;
};

class RtfReader {
 public:
  explicit RtfReader(std::string_view rtf) : in_(rtf) {}

  std::vector<TRtfDocument::Run> Read() {
    stack_.push_back(GroupState{});
    while (pos_ < in_.size() && !done_) Step();
    // A final paragraph mark closes the last paragraph; it opens no empty one.
    if (!runs_.empty() && lastWasParagraph_) {
      auto& text = runs_.back().text;
      if (text.size() >= 2 && text.compare(text.size() - 2, 2, kCrLf) == 0) text.resize(text.size() - 2);
      if (text.empty()) runs_.pop_back();
    }
    return std::move(runs_);
  }

 private:
  GroupState& State() { return stack_.back(); }

  void Step() {
    char c = in_[pos_++];
    switch (c) {
      case '{':
        stack_.push_back(State());
        // A new group gives a fallback count of its own only through \uc.
        return;
      case '}':
        pendingFallback_ = 0;
        stack_.pop_back();
        // The brace that closes the document ends it (what follows is not
        // part of it), and so does a stray one.
        if (stack_.size() <= 1) done_ = true;
        if (stack_.empty()) stack_.push_back(GroupState{});
        return;
      case '\\':
        ControlSequence();
        return;
      case '\r':
      case '\n':
        return;  // line breaks of the RTF source are not text
      default:
        Character(std::string_view(&in_[pos_ - 1], 1));
    }
  }

  // One character of text (or its fallback, which is dropped).
  void Character(std::string_view ansi) {
    if (pendingFallback_ > 0) {
      --pendingFallback_;
      return;
    }
    Emit(ansi);
  }

  void Emit(std::string_view ansi, bool paragraph = false) {
    if (State().skip) return;
    lastWasParagraph_ = paragraph;
    if (runs_.empty() || runs_.back().style != State().style) runs_.push_back({AnsiString(), State().style});
    runs_.back().text.append(ansi);
  }

  void ControlSequence() {
    if (pos_ >= in_.size()) return;  // a lone backslash at the end
    char c = in_[pos_];
    if (!IsLetter(c)) {
      ++pos_;
      ControlSymbol(c);
      return;
    }
    std::size_t start = pos_;
    while (pos_ < in_.size() && IsLetter(in_[pos_]) && pos_ - start < kMaxControlWord) ++pos_;
    std::string_view word = in_.substr(start, pos_ - start);
    while (pos_ < in_.size() && IsLetter(in_[pos_])) ++pos_;  // an overlong word is cut
    bool hasParam = false;
    bool negative = false;
    std::int64_t param = 0;
    if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && IsDigit(in_[pos_ + 1])) {
      negative = true;
      ++pos_;
    }
    int digits = 0;
    while (pos_ < in_.size() && IsDigit(in_[pos_])) {
      if (digits < kMaxParamDigits) param = param * 10 + (in_[pos_] - '0');
      ++digits;
      ++pos_;
      hasParam = true;
    }
    param = std::clamp<std::int64_t>(negative ? -param : param, INT32_MIN, INT32_MAX);
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;  // the delimiter belongs to the word
    ControlWord(word, hasParam, static_cast<std::int32_t>(param));
  }

  void ControlSymbol(char c) {
    switch (c) {
      case '\\':
      case '{':
      case '}':
        Character(std::string_view(&c, 1));
        return;
      case '\'': {
        // Two hex digits; a truncated or malformed escape is dropped.
        if (pos_ + 2 > in_.size()) {
          pos_ = in_.size();
          return;
        }
        int hi = HexValue(in_[pos_]), lo = HexValue(in_[pos_ + 1]);
        pos_ += 2;
        if (hi < 0 || lo < 0) return;
        char byte = static_cast<char>(hi * 16 + lo);
        Character(std::string_view(&byte, 1));
        return;
      }
      case '~':
        Character("\xA0");
        return;
      case '_':
        Character("-");
        return;
      case '-':
        return;  // optional hyphen
      case '*':
        State().skip = true;  // a destination this reader need not know
        return;
      case '\r':
      case '\n':
        Paragraph();
        return;
      case '\t':
        Character("\t");
        return;
      default:
        return;
    }
  }

  void Paragraph() {
    if (pendingFallback_ > 0) {
      --pendingFallback_;
      return;
    }
    Emit(kCrLf, true);
  }

  void ControlWord(std::string_view word, bool hasParam, std::int32_t param) {
    if (IsSkippedDestination(word)) {
      State().skip = true;
      return;
    }
    if (word == "bin") {
      // Raw bytes follow; they are never text.
      std::size_t count = hasParam && param > 0 ? static_cast<std::size_t>(param) : 0;
      pos_ += std::min(count, in_.size() - pos_);
      return;
    }
    if (word == "u" && hasParam) {
      UnicodeChar(param);
      return;
    }
    if (word == "uc" && hasParam) {
      State().uc = std::clamp(param, 0, 16);
      return;
    }
    if (word == "par" || word == "line" || word == "row" || word == "sect" || word == "page") {
      Paragraph();
      return;
    }
    if (word == "tab" || word == "cell") return Character("\t");
    if (word == "emdash") return Character("\x97");
    if (word == "endash") return Character("\x96");
    if (word == "lquote") return Character("\x91");
    if (word == "rquote") return Character("\x92");
    if (word == "ldblquote") return Character("\x93");
    if (word == "rdblquote") return Character("\x94");
    if (word == "bullet") return Character("\x95");
    std::uint8_t& style = State().style;
    bool on = !hasParam || param != 0;
    if (word == "plain") style = 0;
    else if (word == "b") style = on ? (style | TRtfDocument::kBold) : (style & ~TRtfDocument::kBold);
    else if (word == "i") style = on ? (style | TRtfDocument::kItalic) : (style & ~TRtfDocument::kItalic);
    else if (word == "ul") style = on ? (style | TRtfDocument::kUnderline) : (style & ~TRtfDocument::kUnderline);
    else if (word == "ulnone") style &= static_cast<std::uint8_t>(~TRtfDocument::kUnderline);
    else if (pendingFallback_ > 0) --pendingFallback_;  // any other word is one fallback character
  }

  void UnicodeChar(std::int32_t param) {
    // Values above 32767 are written as negative numbers.
    char32_t unit = static_cast<char32_t>(param < 0 ? param + 65536 : param) & 0xFFFF;
    pendingFallback_ = 0;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      highSurrogate_ = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF && highSurrogate_ != 0) {
      char32_t cp = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00);
      highSurrogate_ = 0;
      Emit(AnsiOfCodePoint(cp));
    } else {
      highSurrogate_ = 0;
      Emit(AnsiOfCodePoint(unit));
    }
    pendingFallback_ = State().uc;
  }

  static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  std::string_view in_;
  std::size_t pos_ = 0;
  std::vector<GroupState> stack_;
  std::vector<TRtfDocument::Run> runs_;
  int pendingFallback_ = 0;
  char32_t highSurrogate_ = 0;
  bool lastWasParagraph_ = false;
  bool done_ = false;
};

AnsiString NormaliseLineBreaks(std::string_view text) {
  AnsiString out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += kCrLf;
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\n') {
      out += kCrLf;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::vector<TRtfDocument::Run> ReadRtf(std::string_view rtf) { return RtfReader(rtf).Read(); }

void TRtfDocument::AppendText(std::string_view text, std::uint8_t style) {
  if (text.empty()) return;
  if (runs_.empty() || runs_.back().style != style) runs_.push_back({AnsiString(), style});
  runs_.back().text.append(text);
}

void TRtfDocument::AppendParagraphBreak() {
  if (!runs_.empty()) AppendText(kCrLf, runs_.back().style);
}

void TRtfDocument::LoadFromStream(std::string_view bytes) {
  runs_.clear();
  if (bytes.substr(0, kRtfMark.size()) == kRtfMark) {
    runs_ = ReadRtf(bytes);
  } else {
    AppendText(NormaliseLineBreaks(bytes), 0);
  }
}

void TRtfDocument::AppendRtf(std::string_view rtf) {
  std::vector<Run> added = ReadRtf(rtf);
  if (added.empty()) return;
  AppendParagraphBreak();
  for (const auto& run : added) AppendText(run.text, run.style);
}

std::string TRtfDocument::SaveRtf() const {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n"
      "\\viewkind4\\uc1\\pard\\f0\\fs20 ";
  std::uint8_t style = 0;
  auto switchStyle = [&out, &style](std::uint8_t wanted, std::uint8_t bit, const char* on, const char* off) {
    if ((style & bit) != (wanted & bit)) out += (wanted & bit) ? on : off;
  };
  for (const auto& run : runs_) {
    switchStyle(run.style, kBold, "\\b ", "\\b0 ");
    switchStyle(run.style, kItalic, "\\i ", "\\i0 ");
    switchStyle(run.style, kUnderline, "\\ul ", "\\ulnone ");
    style = run.style;
    const AnsiString& text = run.text;
    for (std::size_t i = 0; i < text.size(); ++i) {
      auto b = static_cast<unsigned char>(text[i]);
      if (b == '\r' || b == '\n') {
        out += "\\par\r\n";
        if (b == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      } else if (b == '\t') {
        out += "\\tab ";
      } else if (b == '\\' || b == '{' || b == '}') {
        out += '\\';
        out += static_cast<char>(b);
      } else if (b >= 0x80) {
        out += "\\'";
        out += kHex[b >> 4];
        out += kHex[b & 0x0F];
      } else if (b >= 0x20) {
        out += static_cast<char>(b);
      }
    }
  }
  out += "\\par\r\n}";
  return out;
}

AnsiString TRtfDocument::GetAllText() const {
  AnsiString text;
  for (const auto& run : runs_) text += run.text;
  return text;
}

}  // namespace genvora
