#include "records/TVGProfession.h"

#include "records/RecordLayout.h"
#include "utilities/TextUtils.h"

namespace genvora {

TVGProfession::TVGProfession() { EndInit(); }
void TVGProfession::EndInit() { zeroMemory(); }
void TVGProfession::zeroMemory() { f_ = Fields{}; }

template <class W, class F>
void TVGProfession::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.U32(f.rattachement);
  w.Text(f.profession);
  w.Text(f.professionUCD);
  w.Bool(f.root.exportable);
  w.Bool(f.root.griot);
}

std::uint32_t TVGProfession::GetDataSize() const { return LayoutSize(f_); }
void TVGProfession::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TVGProfession::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
  if (EndOfRecord(r)) f_ = std::move(f);
}

int TVGProfession::InternalCompare(const TVGProfession* other) const {
  if (other == nullptr) return 1;
  return AnsiCompareText(f_.profession, other->f_.profession);
}

AnsiString TVGProfession::GetFormatedProfession() const {
  return AnsiFirstUpper(f_.profession, true, "");
}

void TVGProfession::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* o = dynamic_cast<TVGProfession*>(other)) {
    Fusionne(o, codes);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TVGProfession::Fusionne(TVGProfession* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
  if (f_.rattachement == 0) f_.rattachement = Translate(codes, other->f_.rattachement);
  if (f_.profession.empty()) f_.profession = other->f_.profession;
  if (f_.professionUCD.empty()) f_.professionUCD = other->f_.professionUCD;
}

}  // namespace genvora
