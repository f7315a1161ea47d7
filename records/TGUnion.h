// The record of a couple: its two spouses, the kind of union, an address, ten
// free texts, status flags and two precise time stamps.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    4 | Epoux (code of an individual)
//       16 |    4 | Epouse (code of an individual)
//       20 |    4 | Adresse (code of an address record)
//       24 | text | note (rich text; emptied once notes are note records)
//        . |    1 | RechercheActe
//        . |    4 | DateUnion (stored as is)
//        . |    1 | TypeUnion (unionListT)
//        . |    1 | Marque
//        . | text | Champ1 .. Champ10 (ten texts)
//        . |    2 | Switches
//        . |    1 | Confidentiel
//        . |    1 | Griot
//        . |    1 | Exportable            <- end of the base fields
//   group 2, older files end before it:
//        . |    1 | note flag                       (default 0)
//   group 3:
//        . |    8 | precise creation stamp (double)   (default 0.0)
//        . |    8 | precise modification stamp        (default 0.0)
//
// GetDataSize() = 64 + the lengths of the 11 texts.
#pragma once

#include <array>

#include "records/TGRoot.h"

namespace genvora {

class TGTableNote;

// unionListT, stored in one byte: on-disk values that never change.
enum unionListT : std::uint8_t {
  ulMARIES = 0,
  ulCONCUBINS = 1,
  ulSEPARES = 2,
  ulDIVORCES = 3,
  ulADULTERE = 4,
  ulINCONNU = 5,
  ulPACS = 6,
  ulFIANCES = 7,
};

class TGUnion : public TGRoot {
 public:
  TGUnion();

  void EndInit() override;
  std::uint32_t GetDataSize() const override;

  CodeID GetEpoux() const { return f_.epoux; }
  void SetEpoux(CodeID code) { f_.epoux = code; }
  CodeID GetEpouse() const { return f_.epouse; }
  void SetEpouse(CodeID code) { f_.epouse = code; }
  CodeID GetAdresse() const { return f_.adresse; }
  void SetAdresse(CodeID code) { f_.adresse = code; }
  const AnsiString& GetNoteText() const { return f_.note; }
  void SetNoteText(const AnsiString& note) { f_.note = note; }
  std::uint8_t GetRechercheActe() const { return f_.rechercheActe; }
  void SetRechercheActe(std::uint8_t value) { f_.rechercheActe = value; }
  std::uint32_t GetDateUnion() const { return f_.dateUnion; }
  void SetDateUnion(std::uint32_t value) { f_.dateUnion = value; }
  std::uint8_t GetTypeUnion() const { return f_.typeUnion; }
  void SetTypeUnion(std::uint8_t type) { f_.typeUnion = type; }
  bool GetMarque() const { return f_.marque; }
  void SetMarque(bool value) { f_.marque = value; }
  std::uint16_t GetSwitches() const { return f_.switches; }
  void SetSwitches(std::uint16_t value) { f_.switches = value; }
  bool GetConfidentiel() const { return f_.confidentiel; }
  void SetConfidentiel(bool value) { f_.confidentiel = value; }
  bool GetNoteFlag() const { return f_.noteFlag; }
  void SetNoteFlag(bool value) { f_.noteFlag = value; }
  double GetPreciseStamp(int which) const { return which == 0 ? f_.stampCreation : f_.stampModification; }
  void SetPreciseStamp(int which, double stamp) { (which == 0 ? f_.stampCreation : f_.stampModification) = stamp; }

  // Champ1 to Champ10 are selectors 10 to 19; other selectors read empty and
  // are not stored.
  AnsiString GetChar(int selector) const;
  void SetChar(int selector, const AnsiString& value);

  // The kind of union in words; empty for a union without code.
  AnsiString GetTypeUnionTexte() const;
  // Sets the type whose words equal `text`; ulINCONNU when none does.
  void SetTypeUnionFromTexte(const AnsiString& text);

  // The precise modification stamp when set, else the modification day.
  double GetDateModification() const;
  AnsiString GetDateChaine(int which) const override;
  void SetCreatedNow() override;
  void SetModifyNow() override;

  // Clears every stored field.
  void zeroMemory();

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  // Fills the empty fields from `other`; `notes` moves the other's note
  // record under this union's code when the note table is available.
  virtual void Fusionne(TGUnion* other, TListeAssociation* codes, TGTableNote* notes);

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
    CodeID epoux = 0;
    CodeID epouse = 0;
    CodeID adresse = 0;
    AnsiString note;
    std::uint8_t rechercheActe = 0;
    std::uint32_t dateUnion = 0;
    std::uint8_t typeUnion = 0;
    bool marque = false;
    std::array<AnsiString, 10> champs;
    std::uint16_t switches = 0;
    bool confidentiel = false;
    // group 2
    bool noteFlag = false;
    // group 3
    double stampCreation = 0.0;
    double stampModification = 0.0;
  };
  Fields f_;
};

}  // namespace genvora
