#include "records/TVGRechercheLog.h"

#include "records/RecordLayout.h"

namespace genvora {

TVGRechercheLog::TVGRechercheLog() { EndInit(); }
void TVGRechercheLog::EndInit() { zeroMemory(); }
void TVGRechercheLog::zeroMemory() { f_ = Fields{}; }

template <class W, class F>
void TVGRechercheLog::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.U8(f.kind);
  w.Bool(f.root.exportable);
  w.Bool(f.root.griot);
  w.U32(f.owner);
  w.F64(f.dateTime);
  w.Text(f.text1);
  w.Text(f.text2);
}

std::uint32_t TVGRechercheLog::GetDataSize() const { return LayoutSize(f_); }
void TVGRechercheLog::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TVGRechercheLog::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
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
