#include "records/TGAdresse.h"

namespace genvora {

namespace {
constexpr std::uint32_t kFixedBytes = 4 * 3 + 4 * 3 + 1 + 1 + 1 + 4 + 4;  // 35, and 21 texts
}  // namespace

TGAdresse::TGAdresse() { EndInit(); }

void TGAdresse::EndInit() {
  zeroMemory();
  textOptions_ = 0x7F;
}

void TGAdresse::zeroMemory() { f_ = Fields{}; }

std::uint32_t TGAdresse::GetDataSize() const {
  std::uint32_t size = kFixedBytes;
  for (const AnsiString& text : f_.texts) size += TextSize(text);
  return size;
}

const AnsiString& TGAdresse::GetTexte(int index) const {
  static const AnsiString kNone;
  if (index < 0 || index >= kNbTextes) return kNone;
  return f_.texts[static_cast<std::size_t>(index)];
}

void TGAdresse::SetTexte(int index, const AnsiString& text) {
  if (index < 0 || index >= kNbTextes) return;
  f_.texts[static_cast<std::size_t>(index)] = text;
}

void TGAdresse::SetTextOption(int i) {
  if (i >= 0 && i < kNbTextOptions) textOptions_ |= static_cast<std::uint8_t>(1u << i);
}

bool TGAdresse::GetTextOption(int i) const {
  return i >= 0 && i < kNbTextOptions && (textOptions_ & (1u << i)) != 0;
}

void TGAdresse::WriteFields(ByteWriter& w) const {
  w.U32(f_.root.codeID);
  w.U32(f_.root.dateCreation);
  w.U32(f_.root.dateModification);
  w.U32(f_.oldXREFUnion);
  w.U32(f_.oldXREFHomme);
  w.U32(f_.oldXREFFemme);
  w.Bool(f_.prive);
  w.Bool(f_.root.griot);
  w.Bool(f_.root.exportable);
  for (int t = kNomsIndividus; t <= kDepartement; ++t) w.CString(f_.texts[static_cast<std::size_t>(t)]);
  w.I32(f_.adresse2Activee);
  w.U32(f_.extraValue);
  w.CString(f_.texts[kEMail2]);
  w.CString(f_.texts[kTelPro]);
  // group 2
  for (int t = kFirstGroup2Text; t < kNbTextes; ++t) w.CString(f_.texts[static_cast<std::size_t>(t)]);
}

void TGAdresse::ReadFields(ByteReader& r) {
  Fields f;
  r.U32(f.root.codeID);
  r.U32(f.root.dateCreation);
  r.U32(f.root.dateModification);
  r.U32(f.oldXREFUnion);
  r.U32(f.oldXREFHomme);
  r.U32(f.oldXREFFemme);
  r.Bool(f.prive);
  r.Bool(f.root.griot);
  r.Bool(f.root.exportable);
  for (int t = kNomsIndividus; t <= kDepartement; ++t) r.CString(f.texts[static_cast<std::size_t>(t)]);
  r.I32(f.adresse2Activee);
  r.U32(f.extraValue);
  r.CString(f.texts[kEMail2]);
  r.CString(f.texts[kTelPro]);
  if (GroupPresent(r)) {
    for (int t = kFirstGroup2Text; t < kNbTextes; ++t) r.CString(f.texts[static_cast<std::size_t>(t)]);
  }
  if (EndOfRecord(r)) f_ = std::move(f);
}

void TGAdresse::Copy(const TGAdresse* other) {
  if (other == nullptr || other == this) return;
  f_ = other->f_;
  textOptions_ = other->textOptions_;
  ShowPrivate = other->ShowPrivate;
  ShowDescendance = other->ShowDescendance;
  ShowMarkedOnly = other->ShowMarkedOnly;
}

void TGAdresse::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* o = dynamic_cast<TGAdresse*>(other)) {
    Fusionne(o, codes);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TGAdresse::Fusionne(TGAdresse* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
  if (f_.oldXREFUnion == 0) f_.oldXREFUnion = Translate(codes, other->f_.oldXREFUnion);
  if (f_.oldXREFHomme == 0) f_.oldXREFHomme = Translate(codes, other->f_.oldXREFHomme);
  if (f_.oldXREFFemme == 0) f_.oldXREFFemme = Translate(codes, other->f_.oldXREFFemme);
  for (std::size_t t = 0; t < f_.texts.size(); ++t) {
    if (f_.texts[t].empty()) f_.texts[t] = other->f_.texts[t];
  }
  if (f_.adresse2Activee == 0) f_.adresse2Activee = other->f_.adresse2Activee;
}

}  // namespace genvora
