#include "records/TVGProfession.h"

#include "records/RecordText.h"
#include "utilities/TextUtils.h"

namespace genvora {

namespace {
constexpr std::uint32_t kFixedBytes = 4 * 3 + 4 + 1 + 1;  // 18, and two texts
}  // namespace

TVGProfession::TVGProfession() { EndInit(); }
void TVGProfession::EndInit() { zeroMemory(); }
void TVGProfession::zeroMemory() { f_ = Fields{}; }

std::uint32_t TVGProfession::GetDataSize() const {
  return kFixedBytes + TextSize(f_.profession) + TextSize(f_.professionUCD);
}

void TVGProfession::WriteFields(ByteWriter& w) const {
  w.U32(f_.root.codeID);
  w.U32(f_.root.dateCreation);
  w.U32(f_.root.dateModification);
  w.U32(f_.rattachement);
  w.CString(f_.profession);
  w.CString(f_.professionUCD);
  w.Bool(f_.root.exportable);
  w.Bool(f_.root.griot);
}

void TVGProfession::ReadFields(ByteReader& r) {
  Fields f;
  r.U32(f.root.codeID);
  r.U32(f.root.dateCreation);
  r.U32(f.root.dateModification);
  r.U32(f.rattachement);
  r.CString(f.profession);
  r.CString(f.professionUCD);
  r.Bool(f.root.exportable);
  r.Bool(f.root.griot);
  if (EndOfRecord(r)) f_ = std::move(f);
}

int TVGProfession::InternalCompare(const TVGProfession* other) const {
  if (other == nullptr) return 1;
  return rectext::CompareText(f_.profession, other->f_.profession);
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
