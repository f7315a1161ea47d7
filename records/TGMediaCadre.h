// A media frame: a rectangle cut out of a picture, the media made from it
// and the person it shows.
//
// Byte layout (little-endian), 42 bytes, no text and no later group:
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    4 | origin media code (the picture the frame is cut from)
//       16 |    4 | derived media code (the media made from the frame)
//       20 |    4 | individual code (the person the frame shows)
//       24 |   16 | rectangle: left, top, right, bottom (signed, pixels)
//       40 |    1 | Griot
//       41 |    1 | Exportable
#pragma once

#include "records/TGRoot.h"

namespace genvora {

struct TGRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool operator==(const TGRect&) const = default;
  bool Empty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
};

class TGMediaCadre : public TGRoot {
 public:
  TGMediaCadre();
  void EndInit() override;
  void zeroMemory();
  std::uint32_t GetDataSize() const override;

  CodeID GetMediaOrigine() const { return f_.mediaOrigine; }
  void SetMediaOrigine(CodeID code) { f_.mediaOrigine = code; }
  CodeID GetMediaDerive() const { return f_.mediaDerive; }
  void SetMediaDerive(CodeID code) { f_.mediaDerive = code; }
  CodeID GetIndividu() const { return f_.individu; }
  void SetIndividu(CodeID code) { f_.individu = code; }
  const TGRect& GetRect() const { return f_.rect; }
  void SetRect(const TGRect& rect) { f_.rect = rect; }

  // Scales the rectangle from a picture of oldWidth x oldHeight to one of
  // newWidth x newHeight, truncating; an old size of 0 changes nothing.
  void Rescale(int oldWidth, int oldHeight, int newWidth, int newHeight);

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TGMediaCadre* other, TListeAssociation* codes);

 protected:
  TGRootFields* Root() override { return &f_.root; }
  const TGRootFields* Root() const override { return &f_.root; }
  void WriteFields(ByteWriter& writer) const override;
  void ReadFields(ByteReader& reader) override;

 private:
  struct Fields {
    // The byte layout of the table above, stated once for the size, the
    // writer and the reader (records/RecordLayout.h).
    template <class W, class F>
    static void Layout(W& w, F& f);

    TGRootFields root;
    CodeID mediaOrigine = 0;
    CodeID mediaDerive = 0;
    CodeID individu = 0;
    TGRect rect;
  };
  Fields f_;
};

}  // namespace genvora
