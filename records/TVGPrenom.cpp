#include "records/TVGPrenom.h"

#include "records/RecordText.h"
#include "utilities/TextUtils.h"

namespace genvora {

namespace {
constexpr std::uint32_t kFixedBytes = 4 * 3 + 4 + 1 + 1 + 1;  // 19, and two texts
}  // namespace

TVGPrenom::TVGPrenom() { EndInit(); }
void TVGPrenom::EndInit() { zeroMemory(); }
void TVGPrenom::zeroMemory() { f_ = Fields{}; }

std::uint32_t TVGPrenom::GetDataSize() const { return kFixedBytes + TextSize(f_.prenom) + TextSize(f_.prenomUCD); }

void TVGPrenom::WriteFields(ByteWriter& w) const {
  w.U32(f_.root.codeID);
  w.U32(f_.root.dateCreation);
  w.U32(f_.root.dateModification);
  w.U32(f_.rattachement);
  w.U8(f_.sexe);
  w.CString(f_.prenom);
  w.CString(f_.prenomUCD);
  w.Bool(f_.root.exportable);
  w.Bool(f_.root.griot);
}

void TVGPrenom::ReadFields(ByteReader& r) {
  Fields f;
  r.U32(f.root.codeID);
  r.U32(f.root.dateCreation);
  r.U32(f.root.dateModification);
  r.U32(f.rattachement);
  r.U8(f.sexe);
  r.CString(f.prenom);
  r.CString(f.prenomUCD);
  r.Bool(f.root.exportable);
  r.Bool(f.root.griot);
  if (EndOfRecord(r)) f_ = std::move(f);
}

int TVGPrenom::InternalCompare(const TVGPrenom* other) const {
  if (other == nullptr) return 1;
  return rectext::CompareText(f_.prenom, other->f_.prenom);
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
