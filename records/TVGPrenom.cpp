#include "records/TVGPrenom.h"

#include "records/RecordLayout.h"
#include "utilities/TextUtils.h"

namespace genvora {

TVGPrenom::TVGPrenom() { EndInit(); }
void TVGPrenom::EndInit() { zeroMemory(); }
void TVGPrenom::zeroMemory() { f_ = Fields{}; }

template <class W, class F>
void TVGPrenom::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.U32(f.rattachement);
  w.U8(f.sexe);
  w.Text(f.prenom);
  w.Text(f.prenomUCD);
  w.Bool(f.root.exportable);
  w.Bool(f.root.griot);
}

std::uint32_t TVGPrenom::GetDataSize() const { return LayoutSize(f_); }
void TVGPrenom::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TVGPrenom::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
  if (EndOfRecord(r)) f_ = std::move(f);
}

int TVGPrenom::InternalCompare(const TVGPrenom* other) const {
  if (other == nullptr) return 1;
  return AnsiCompareText(f_.prenom, other->f_.prenom);
}

AnsiString TVGPrenom::GetPrenomFormate() const {
  if (f_.root.griot) return f_.prenom;
  return AnsiFirstUpper(f_.prenom, false, "");
}

void TVGPrenom::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* o = dynamic_cast<TVGPrenom*>(other)) {
    Fusionne(o, codes);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TVGPrenom::Fusionne(TVGPrenom* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
  if (f_.rattachement == 0) f_.rattachement = Translate(codes, other->f_.rattachement);
  if (f_.sexe == 0) f_.sexe = other->f_.sexe;
  if (f_.prenom.empty()) f_.prenom = other->f_.prenom;
  if (f_.prenomUCD.empty()) f_.prenomUCD = other->f_.prenomUCD;
}

}  // namespace genvora
