// The link records between a record and a document or a media:
// TGLienDocument (an event cites a document) and TGLienMedia (a media
// illustrates a record), both on the layout of TGLienRoot.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    4 | first reference  (XREFEvenement / XREFCible)
//       16 |    4 | second reference (XREFDocument / XREFMedia)
//       20 | text | Citation (the quoted passage)
//        . |    4 | position (TGLienMedia: order among the target's media)
//        . |    1 | a byte (TGLienMedia: Genre, ownerMediaT)
//        . |    1 | Griot (TGLienMedia: MediaPrincipal)
//        . |    1 | Exportable
//
// GetDataSize() = 28 + the length of the citation. No later group.
#pragma once

#include "records/TGRoot.h"

namespace genvora {

// Kind of the record a media illustrates; on-disk values.
enum ownerMediaT : std::uint8_t { omUnknow = 0, omIndividu = 1, omEvenement = 2, omActe = 3, omUnion = 4, omLien = 5 };

class TGLienRoot : public TGRoot {
 public:
  TGLienRoot();
  void EndInit() override;
  void zeroMemory();
  std::uint32_t GetDataSize() const override;

  const AnsiString& GetCitation() const { return f_.citation; }
  // Stored without leading and trailing blanks.
  virtual void SetCitation(const AnsiString& text);

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TGLienRoot* other, TListeAssociation* codes);

 protected:
  TGRootFields* Root() override { return &f_.root; }
  const TGRootFields* Root() const override { return &f_.root; }
  void WriteFields(ByteWriter& writer) const override;
  void ReadFields(ByteReader& reader) override;

  struct Fields {
    // The byte layout of the table above, stated once for the size, the
    // writer and the reader (records/RecordLayout.h).
    template <class W, class F>
    static void Layout(W& w, F& f);

    TGRootFields root;
    CodeID ref1 = 0;
    CodeID ref2 = 0;
    AnsiString citation;
    std::int32_t position = 0;
    std::uint8_t octet = 0;
  };
  Fields f_;
};

class TGLienDocument : public TGLienRoot {
 public:
  CodeID GetXREFEvenement() const { return f_.ref1; }
  void SetXREFEvenement(CodeID code) { f_.ref1 = code; }
  CodeID GetXREFDocument() const { return f_.ref2; }
  void SetXREFDocument(CodeID code) { f_.ref2 = code; }
  // Neither used nor shown for documents; stored and copied.
  std::int32_t GetPosition() const { return f_.position; }
  void SetPosition(std::int32_t value) { f_.position = value; }
  std::uint8_t GetOctet() const { return f_.octet; }
  void SetOctet(std::uint8_t value) { f_.octet = value; }

  using TGLienRoot::Fusionne;
  void Fusionne(TGLienRoot* other, TListeAssociation* codes) override;
};

class TGLienMedia : public TGLienRoot {
 public:
  CodeID GetXREFCible() const { return f_.ref1; }
  void SetXREFCible(CodeID code) { f_.ref1 = code; }
  CodeID GetXREFMedia() const { return f_.ref2; }
  void SetXREFMedia(CodeID code) { f_.ref2 = code; }
  std::int32_t GetPosition() const { return f_.position; }
  void SetPosition(std::int32_t value) { f_.position = value; }
  ownerMediaT GetGenre() const { return static_cast<ownerMediaT>(f_.octet); }
  void SetGenre(ownerMediaT genre) { f_.octet = genre; }
  // The main media of its target; kept in the Griot byte.
  bool GetMediaPrincipal() const { return f_.root.griot; }
  void SetMediaPrincipal(bool on) { f_.root.griot = on; }

  using TGLienRoot::Fusionne;
  void Fusionne(TGLienRoot* other, TListeAssociation* codes) override;
};

}  // namespace genvora
