// An entry of the first-names dictionary: a first name, its comparison form,
// its sex and the first name it is a variant of.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    4 | Rattachement (code of the first name this is a variant of)
//       16 |    1 | sex (sexePrenomT)
//       17 | text | first name
//        . | text | comparison form (PrenomUCD)
//        . |    1 | Exportable
//        . |    1 | Griot (the spelling is final: never recapitalised)
//
// GetDataSize() = 21 + the lengths of the 2 texts. No later group.
#pragma once

#include "records/TGRoot.h"

namespace genvora {

// Values are the first-names table's; the record only stores them.
using sexePrenomT = std::uint8_t;

class TVGPrenom : public TGRoot {
 public:
  TVGPrenom();
  void EndInit() override;
  void zeroMemory();
  std::uint32_t GetDataSize() const override;

  const AnsiString& Prenom() const { return f_.prenom; }
  void SetPrenom(const AnsiString& text) { f_.prenom = text; }
  const AnsiString& GetPrenomUCD() const { return f_.prenomUCD; }
  void SetPrenomUCD(const AnsiString& text) { f_.prenomUCD = text; }
  sexePrenomT GetSexe() const { return f_.sexe; }
  void SetSexe(sexePrenomT sexe) { f_.sexe = sexe; }
  CodeID GetRattachement() const { return f_.rattachement; }
  void SetRattachement(CodeID code) { f_.rattachement = code; }

  // Case-insensitive comparison of the first names: negative, 0, positive.
  int InternalCompare(const TVGPrenom* other) const;
  // As stored when Griot is set, else every word capitalised.
  AnsiString GetPrenomFormate() const;

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TVGPrenom* other, TListeAssociation* codes);

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
    CodeID rattachement = 0;
    sexePrenomT sexe = 0;
    AnsiString prenom;
    AnsiString prenomUCD;
  };
  Fields f_;
};

}  // namespace genvora
