#include "records/TGLienRoot.h"

#include "records/RecordLayout.h"
#include "utilities/TextUtils.h"

namespace genvora {

TGLienRoot::TGLienRoot() { EndInit(); }
void TGLienRoot::EndInit() { zeroMemory(); }
void TGLienRoot::zeroMemory() { f_ = Fields{}; }

void TGLienRoot::SetCitation(const AnsiString& text) { f_.citation = AnsiTrim(text); }

template <class W, class F>
void TGLienRoot::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.U32(f.ref1);
  w.U32(f.ref2);
  w.Text(f.citation);
  w.I32(f.position);
  w.U8(f.octet);
  w.Bool(f.root.griot);
  w.Bool(f.root.exportable);
}

std::uint32_t TGLienRoot::GetDataSize() const { return LayoutSize(f_); }
void TGLienRoot::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TGLienRoot::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
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
