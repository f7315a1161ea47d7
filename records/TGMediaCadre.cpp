#include "records/TGMediaCadre.h"

#include "records/RecordLayout.h"

namespace genvora {

TGMediaCadre::TGMediaCadre() { EndInit(); }
void TGMediaCadre::EndInit() { zeroMemory(); }
void TGMediaCadre::zeroMemory() { f_ = Fields{}; }

template <class W, class F>
void TGMediaCadre::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.U32(f.mediaOrigine);
  w.U32(f.mediaDerive);
  w.U32(f.individu);
  w.I32(f.rect.left);
  w.I32(f.rect.top);
  w.I32(f.rect.right);
  w.I32(f.rect.bottom);
  w.Bool(f.root.griot);
  w.Bool(f.root.exportable);
}

std::uint32_t TGMediaCadre::GetDataSize() const { return LayoutSize(f_); }
void TGMediaCadre::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TGMediaCadre::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
  if (EndOfRecord(r)) f_ = f;
}

void TGMediaCadre::Rescale(int oldWidth, int oldHeight, int newWidth, int newHeight) {
  if (oldWidth <= 0 || oldHeight <= 0) return;
  // 64-bit products: a coordinate times a picture size may pass 2^31.
  auto scale = [](std::int32_t v, int to, int from) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(v) * to / from);
  };
  f_.rect.left = scale(f_.rect.left, newWidth, oldWidth);
  f_.rect.right = scale(f_.rect.right, newWidth, oldWidth);
  f_.rect.top = scale(f_.rect.top, newHeight, oldHeight);
  f_.rect.bottom = scale(f_.rect.bottom, newHeight, oldHeight);
}

void TGMediaCadre::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* o = dynamic_cast<TGMediaCadre*>(other)) {
    Fusionne(o, codes);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TGMediaCadre::Fusionne(TGMediaCadre* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
  if (f_.mediaOrigine == 0) f_.mediaOrigine = Translate(codes, other->f_.mediaOrigine);
  if (f_.mediaDerive == 0) f_.mediaDerive = Translate(codes, other->f_.mediaDerive);
  if (f_.individu == 0) f_.individu = Translate(codes, other->f_.individu);
  if (f_.rect.Empty()) f_.rect = other->f_.rect;
}

}  // namespace genvora
