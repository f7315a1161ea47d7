#include "records/TVGRechercheLog.h"

namespace genvora {

namespace {
constexpr std::uint32_t kFixedBytes = 4 * 3 + 1 + 1 + 1 + 4 + 8;  // 27, and two texts
}  // namespace

TVGRechercheLog::TVGRechercheLog() { EndInit(); }
void TVGRechercheLog::EndInit() { zeroMemory(); }
void TVGRechercheLog::zeroMemory() { f_ = Fields{}; }

std::uint32_t TVGRechercheLog::GetDataSize() const {
  return kFixedBytes + TextSize(f_.text1) + TextSize(f_.text2);
}

void TVGRechercheLog::WriteFields(ByteWriter& w) const {
  w.U32(f_.root.codeID);
  w.U32(f_.root.dateCreation);
  w.U32(f_.root.dateModification);
  w.U8(f_.kind);
  w.Bool(f_.root.exportable);
  w.Bool(f_.root.griot);
  w.U32(f_.owner);
  w.F64(f_.dateTime);
  w.CString(f_.text1);
  w.CString(f_.text2);
}

void TVGRechercheLog::ReadFields(ByteReader& r) {
  Fields f;
  r.U32(f.root.codeID);
  r.U32(f.root.dateCreation);
  r.U32(f.root.dateModification);
  r.U8(f.kind);
  r.Bool(f.root.exportable);
  r.Bool(f.root.griot);
  r.U32(f.owner);
  r.F64(f.dateTime);
  r.CString(f.text1);
  r.CString(f.text2);
  if (EndOfRecord(r)) f_ = std::move(f);
}

void TVGRechercheLog::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* o = dynamic_cast<TVGRechercheLog*>(other)) {
    Fusionne(o, codes);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TVGRechercheLog::Fusionne(TVGRechercheLog* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
  if (f_.owner == 0) f_.owner = Translate(codes, other->f_.owner);
  if (f_.kind == 0) f_.kind = other->f_.kind;
  if (f_.dateTime == 0.0) f_.dateTime = other->f_.dateTime;
  if (f_.text1.empty()) f_.text1 = other->f_.text1;
  if (f_.text2.empty()) f_.text2 = other->f_.text2;
}

}  // namespace genvora
