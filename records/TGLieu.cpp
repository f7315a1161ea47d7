#include "records/TGLieu.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/Preferences.h"
#include "records/RecordLayout.h"
#include "utilities/TextUtils.h"

namespace genvora {

namespace {

// Option bits: byte 0 hides parts and places the code, byte 1 shapes the
// code, byte 2 shapes the department.
constexpr std::uint32_t kHideVille = 0x04;
constexpr std::uint32_t kHideCode = 0x08;
constexpr std::uint32_t kHideDepartement = 0x10;
constexpr std::uint32_t kHideRegion = 0x20;
constexpr std::uint32_t kHidePays = 0x40;
constexpr std::uint32_t kCodeFirst = 0x80;
constexpr std::uint32_t kCodeTwoChars = 0x01 << 8;
constexpr std::uint32_t kCodeParentheses = 0x02 << 8;
constexpr std::uint32_t kDepartementParentheses = 0x10 << 16;

AnsiString ApplyCase(const AnsiString& text, int style) {
  if (style == 0) return AnsiUpperCase(text);
  if (style == 1) return AnsiFirstUpper(text, false, "");
  return text;
}

// Appends `part` after `sep` (only when both sides have text).
void AppendPart(AnsiString& line, const AnsiString& part, const char* sep) {
  if (part.empty()) return;
  if (!line.empty()) line += sep;
  line += part;
}

}  // namespace

TGLieu::TGLieu() { EndInit(); }

void TGLieu::EndInit() {
  f_ = Fields{};
  options_ = 0;
}

void TGLieu::zeroMemory() { f_ = Fields{}; }

template <class W, class F>
void TGLieu::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.U32(f.rattachement);
  w.Text(f.texts[kVille]);
  w.Text(f.texts[kCode]);
  w.Text(f.texts[kDepartement]);
  w.Text(f.texts[kRegion]);
  w.Text(f.texts[kPays]);
  w.U32(f.xRef);
  w.Bool(f.root.griot);
  w.Bool(f.root.exportable);
  if (!w.Group()) return;  // group 2
  w.Text(f.extraText);
  w.U8(f.extraByte);
  // Group 3 exists only in files that have group 2.
  if (!w.Group()) return;  // group 3
  w.F64(f.latitude);
  w.F64(f.longitude);
  w.Text(f.isoCountry);
  w.I32(f.internalCodeLieu);
}

std::uint32_t TGLieu::GetDataSize() const { return LayoutSize(f_); }
void TGLieu::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TGLieu::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
  if (EndOfRecord(r)) f_ = std::move(f);
}

const AnsiString& TGLieu::GetStored(int field) const {
  static const AnsiString kNone;
  if (field < kCode || field > kPays) return kNone;
  return f_.texts[static_cast<std::size_t>(field)];
}

void TGLieu::SetText(int field, const AnsiString& value) {
  if (field < kCode || field > kPays) return;
  AnsiString text = AnsiTrim(value);
  // Commas separate the parts of the GEDCOM place line.
  for (char& c : text) {
    if (c == ',') c = '-';
  }
  if (field == kVille && text.empty()) text.assign(1, '?');
  f_.texts[static_cast<std::size_t>(field)] = std::move(text);
}

AnsiString TGLieu::GText(int field) const {
  AnsiString text = GetStored(field);
  const TPreferenceGenvora5* prefs = SharedPrefs();
  if (prefs == nullptr || f_.root.griot) return text;
  text = ApplyCase(text, prefs->CasseLieu[field]);
  if (field != kVille && !text.empty() && prefs->ConvertirTextes) text = prefs->ConvertText(text);
  return text;
}

int TGLieu::villeCompare(const TGLieu& other) const {
  return AnsiCompareText(f_.texts[kVille], other.f_.texts[kVille]);
}

int TGLieu::codeCompare(const TGLieu& other) const {
  return AnsiCompareText(f_.texts[kCode], other.f_.texts[kCode]);
}

bool TGLieu::InternalCompare(const TGLieu* other) const {
  if (other == nullptr) return true;
  auto key = [](const TGLieu& p) {
    return AnsiUpperCase(p.GetCodeLieu() + p.GetVille() + p.GetDepartement() + p.GetRegion() + p.GetPays()) +
           (p.GetGriot() ? "1" : "0");
  };
  return key(*this) != key(*other);
}

AnsiString TGLieu::GetText() const {
  const std::uint32_t o = options_;
  AnsiString code;
  if ((o & kHideCode) == 0) {
    code = GetCodeLieu();
    if ((o & kCodeTwoChars) != 0 && code.size() > 2) code.resize(2);
    if ((o & kCodeParentheses) != 0 && !code.empty()) code = "(" + code + ")";
  }
  AnsiString line;
  if ((o & kCodeFirst) != 0) AppendPart(line, code, " ");
  if ((o & kHideVille) == 0) AppendPart(line, GetVille(), " ");
  if ((o & kCodeFirst) == 0) AppendPart(line, code, " ");
  if ((o & kHideDepartement) == 0) {
    const AnsiString departement = GetDepartement();
    if ((o & kDepartementParentheses) != 0) {
      AppendPart(line, departement.empty() ? AnsiString() : "(" + departement + ")", " ");
    } else {
      AppendPart(line, departement, " - ");
    }
  }
  if ((o & kHideRegion) == 0) AppendPart(line, GetRegion(), " - ");
  if ((o & kHidePays) == 0) AppendPart(line, GetPays(), " - ");
  return line;
}

AnsiString TGLieu::GetTextSaisie() {
  const TPreferenceGenvora5* prefs = SharedPrefs();
  if (prefs == nullptr) return {};
  switch (prefs->StyleSaisieLieu) {
    case 0: options_ = kHideCode | kHideDepartement | kHideRegion | kHidePays; break;
    case 1: options_ = kHideDepartement | kHideRegion | kHidePays | kCodeTwoChars | kCodeParentheses; break;
    case 2: options_ = kHideDepartement | kHideRegion | kHidePays | kCodeParentheses; break;
    case 3: options_ = kCodeParentheses; break;
    default: options_ = 0; break;
  }
  return GetText();
}

AnsiString TGLieu::GetTextGedcom() const {
  auto part = [this](Field field) { return f_.root.griot ? GetStored(field) : GText(field); };
  return AnsiTrim(part(kVille) + "," + part(kCode) + "," + part(kDepartement) + "," + part(kRegion) + "," +
                       part(kPays));
}

AnsiString TGLieu::GetCoordStr(int which) const {
  const double value = which == kLatitude ? f_.latitude : f_.longitude;
  const double otherValue = which == kLatitude ? f_.longitude : f_.latitude;
  char text[64];
  std::snprintf(text, sizeof text, "%3.6f", value);
  AnsiString out(text);
  for (char& c : out) {
    if (c == ',') c = '.';
  }
  if (out == "0.000000" && otherValue == 0.0) return {};  // no coordinates at all
  return out;
}

void TGLieu::SetCoordStr(int which, const AnsiString& text) {
  double* target = which == kLatitude ? &f_.latitude : which == kLongitude ? &f_.longitude : nullptr;
  if (target == nullptr) return;
  AnsiString number = AnsiTrim(text);
  if (number.empty()) {
    *target = 0.0;
    return;
  }
  // Typed with a point or with a decimal comma, whatever the locale.
  for (char& c : number) {
    if (c == ',') c = '.';
  }
  const char* first = number.data();
  const char* last = first + number.size();
  if (*first == '+') ++first;
  double value = 0.0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || !std::isfinite(value)) return;
  *target = value;
}

void TGLieu::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* otherLieu = dynamic_cast<TGLieu*>(other)) {
    Fusionne(otherLieu, codes);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TGLieu::Fusionne(TGLieu* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
  for (Field field : {kCode, kDepartement, kPays}) {
    if (f_.texts[field].empty()) SetText(field, other->f_.texts[field]);
  }
  if (!GetIsR() && other->GetIsR()) f_.rattachement = Translate(codes, other->f_.rattachement);
  if (f_.texts[kRegion].empty()) SetText(kRegion, other->f_.texts[kRegion]);
  // An empty town stays empty rather than becoming "?" when the other has
  // none either.
  if (f_.texts[kVille].empty() && !other->f_.texts[kVille].empty()) SetText(kVille, other->f_.texts[kVille]);
  if (f_.xRef == 0) f_.xRef = Translate(codes, other->f_.xRef);
  options_ |= other->options_;
}

}  // namespace genvora
