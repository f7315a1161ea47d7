#include "records/TGAdresse.h"

#include "records/RecordLayout.h"

namespace genvora {

TGAdresse::TGAdresse() { EndInit(); }

void TGAdresse::EndInit() {
  zeroMemory();
  textOptions_ = 0x7F;
}

void TGAdresse::zeroMemory() { f_ = Fields{}; }

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

template <class W, class F>
void TGAdresse::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.U32(f.oldXREFUnion);
  w.U32(f.oldXREFHomme);
  w.U32(f.oldXREFFemme);
  w.Bool(f.prive);
  w.Bool(f.root.griot);
  w.Bool(f.root.exportable);
  for (int t = kNomsIndividus; t <= kDepartement; ++t) w.Text(f.texts[static_cast<std::size_t>(t)]);
  w.I32(f.adresse2Activee);
  w.U32(f.extraValue);
  w.Text(f.texts[kEMail2]);
  w.Text(f.texts[kTelPro]);
  if (!w.Group()) return;  // group 2
  for (int t = kFirstGroup2Text; t < kNbTextes; ++t) w.Text(f.texts[static_cast<std::size_t>(t)]);
}

std::uint32_t TGAdresse::GetDataSize() const { return LayoutSize(f_); }
void TGAdresse::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TGAdresse::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
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
