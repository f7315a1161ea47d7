#include "records/TGLienRoot.h"

#include "records/RecordText.h"

namespace genvora {

namespace {
constexpr std::uint32_t kFixedBytes = 4 * 3 + 4 + 4 + 4 + 1 + 1 + 1;  // 27, and the citation
}  // namespace

TGLienRoot::TGLienRoot() { EndInit(); }
void TGLienRoot::EndInit() { zeroMemory(); }
void TGLienRoot::zeroMemory() { f_ = Fields{}; }

std::uint32_t TGLienRoot::GetDataSize() const { return kFixedBytes + TextSize(f_.citation); }

void TGLienRoot::SetCitation(const AnsiString& text) { f_.citation = rectext::Trim(text); }

void TGLienRoot::WriteFields(ByteWriter& w) const {
  w.U32(f_.root.codeID);
  w.U32(f_.root.dateCreation);
  w.U32(f_.root.dateModification);
  w.U32(f_.ref1);
  w.U32(f_.ref2);
  w.CString(f_.citation);
  w.I32(f_.position);
  w.U8(f_.octet);
  w.Bool(f_.root.griot);
  w.Bool(f_.root.exportable);
}

void TGLienRoot::ReadFields(ByteReader& r) {
  Fields f;
  r.U32(f.root.codeID);
  r.U32(f.root.dateCreation);
  r.U32(f.root.dateModification);
  r.U32(f.ref1);
  r.U32(f.ref2);
  r.CString(f.citation);
  r.I32(f.position);
  r.U8(f.octet);
  r.Bool(f.root.griot);
  r.Bool(f.root.exportable);
  if (EndOfRecord(r)) f_ = std::move(f);
}

void TGLienRoot::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* o = dynamic_cast<TGLienRoot*>(other)) {
    Fusionne(o, codes);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TGLienRoot::Fusionne(TGLienRoot* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
}

void TGLienDocument::Fusionne(TGLienRoot* other, TListeAssociation* codes) {
  auto* o = dynamic_cast<TGLienDocument*>(other);
  TGLienRoot::Fusionne(other, codes);
  if (o == nullptr) return;
  if (f_.ref2 == 0) f_.ref2 = Translate(codes, o->f_.ref2);
  if (f_.ref1 == 0) f_.ref1 = Translate(codes, o->f_.ref1);
}

void TGLienMedia::Fusionne(TGLienRoot* other, TListeAssociation* codes) {
  auto* o = dynamic_cast<TGLienMedia*>(other);
  TGLienRoot::Fusionne(other, codes);
  if (o == nullptr) return;
  if (f_.ref1 == 0) f_.ref1 = Translate(codes, o->f_.ref1);
  if (f_.ref2 == 0) f_.ref2 = Translate(codes, o->f_.ref2);
}

}  // namespace genvora
