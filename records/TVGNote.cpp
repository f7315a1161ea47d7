#include "records/TVGNote.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

#include "platform/Exception.h"
#include "records/RecordLayout.h"
#include "utilities/RichText.h"

namespace genvora {

namespace {

constexpr std::string_view kRtfStart = "{\\rtf";

}  // namespace

TVGNote::TVGNote() { EndInit(); }
void TVGNote::EndInit() { zeroMemory(); }
void TVGNote::zeroMemory() { f_ = Fields{}; }

template <class W, class F>
void TVGNote::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.Bool(f.prive);
  w.Bool(f.root.exportable);
  w.Bool(f.root.griot);
  w.Text(f.storedText);
  if (!w.Group()) return;  // group 2
  w.Text(f.plainText);
  if (!w.Group()) return;  // group 3
  auto compressedSize = static_cast<std::int64_t>(f.compressed.size());
  w.I64(compressedSize);
  w.Blob(f.compressed, compressedSize, "negative compressed size");
  // A stream that cannot be inflated would fail on every display; it is
  // refused here, where the entry can still be dropped.
  w.Check(
      [&f] {
        std::string check;
        return f.compressed.empty() || Inflate(f.compressed, check);
      },
      "compressed note is damaged");
}

std::uint32_t TVGNote::GetDataSize() const { return LayoutSize(f_); }
void TVGNote::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TVGNote::ReadFields(ByteReader& r) {
  Fields f;
  const int groups = LayoutRead(r, f);
  if (!EndOfRecord(r)) return;
  // Older notes kept only their stored text.
  if (groups < 2) f.plainText = ConvertRtfText(f.storedText, ConvertRtfActionTo::Text);
  f_ = std::move(f);
}

bool TVGNote::Inflate(std::string_view compressed, std::string& out) {
  out.clear();
  if (compressed.size() > UINT_MAX) return false;
  const std::size_t limit = std::min(kMaxNoteBytes, compressed.size() * kMaxInflateRatio + 64);
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return false;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  char chunk[16384];
  int status = Z_OK;
  while (status == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    status = inflate(&stream, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END) break;
    const std::size_t produced = sizeof chunk - stream.avail_out;
    if (out.size() + produced > limit) {
      status = Z_DATA_ERROR;
      break;
    }
    out.append(chunk, produced);
    // No input left and no progress: the stream is cut short.
    if (status == Z_OK && stream.avail_in == 0 && produced == 0) status = Z_BUF_ERROR;
  }
  inflateEnd(&stream);
  // Bytes after the end of the stream are damage too.
  if (status != Z_STREAM_END || stream.avail_in != 0) {
    out.clear();
    return false;
  }
  return true;
}

std::string TVGNote::Deflate(std::string_view text) {
  uLongf size = compressBound(static_cast<uLong>(text.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(text.data()),
                static_cast<uLong>(text.size()), 1) != Z_OK) {
    throw EGenvoraError::Plain("note compression failed");
  }
  out.resize(size);
  return out;
}

void TVGNote::SetNoteRTF(const AnsiString& text) {
  if (text.compare(0, kRtfStart.size(), kRtfStart) == 0) {
    f_.compressed = Deflate(text);
  } else {
    f_.compressed.clear();
    f_.plainText = text;
  }
}

AnsiString TVGNote::GetNoteRTF() const {
  if (f_.compressed.empty()) return f_.plainText;
  std::string rtf;
  // Decode refuses streams that do not inflate; one set in memory always
  // does. Should one fail anyway, the plain text is what is left.
  if (!Inflate(f_.compressed, rtf)) return f_.plainText;
  return rtf;
}

void TVGNote::NewNote(CodeID code, const AnsiString& text, bool prive) {
  f_.root.codeID = code;
  f_.prive = prive;
  f_.storedText.clear();
  SetNoteRTF(text);
  f_.plainText = ConvertRtfText(GetNoteRTF(), ConvertRtfActionTo::Text);
}

void TVGNote::AppendNote(const AnsiString& text) {
  SetNoteRTF(ConcatRtf(GetNoteRTF(), text));
  f_.plainText = ConvertRtfText(GetNoteRTF(), ConvertRtfActionTo::Text);
}

void TVGNote::SetValues(CodeID code, std::uint32_t dateCreation, std::uint32_t dateModification,
                        const AnsiString& text, bool prive, bool exportable, bool griot,
                        const AnsiString& plainText) {
  f_.root.codeID = code;
  f_.root.dateCreation = dateCreation;
  f_.root.dateModification = dateModification;
  SetNoteRTF(text);
  f_.prive = prive;
  f_.root.exportable = exportable;
  f_.root.griot = griot;
  f_.plainText = plainText;
  if (f_.compressed.empty() && !f_.plainText.empty()) f_.storedText = f_.plainText;
}

void TVGNote::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* o = dynamic_cast<TVGNote*>(other)) {
    Fusionne(o, codes);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TVGNote::Fusionne(TVGNote* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
  // The note is one text: an empty note takes the other's whole, never a
  // mix of its rich and plain forms.
  if (f_.compressed.empty() && f_.plainText.empty() && f_.storedText.empty()) {
    f_.compressed = other->f_.compressed;
    f_.plainText = other->f_.plainText;
    f_.storedText = other->f_.storedText;
  }
}

}  // namespace genvora
