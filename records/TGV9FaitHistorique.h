// A historical fact of the time lines: a war, an epidemic, a reign, an
// invention or a personal milestone, with its Gregorian date, category,
// origin, description and an optional thumbnail.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    1 | Griot
//       13 |    1 | Exportable
//       14 | text | Nom (the fact's title)
//        . |   32 | date block (TGDate::dateT), both calendars 'G'
//        . |    1 | TypeFait (TypeFaitT)
//        . | text | Origine
//        . | text | Description
//        . |    4 | thumbnail size (count of bytes at the end)
//        . |    4 | Priorite (signed)
//        . | text | a further text (stored and copied)
//        . |    4 | a further value (stored and copied)
//        . |    1 | personal flag (entered by the user)
//        . |    n | thumbnail: exactly `thumbnail size` bytes
//
// GetDataSize() = 64 + the lengths of the 4 texts + the thumbnail size.
//
// Invariants:
//  1. Both calendar bytes are 'G' after every encode and decode: a fact is
//     always kept as a Gregorian day.
//  2. A thumbnail size larger than the bytes left is damage.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dates/TGDate.h"
#include "records/TGRoot.h"

namespace genvora {

using TypeFaitT = std::uint8_t;

class TGV9FaitHistorique : public TGRoot {
 public:
  // Codes below this are the supplied categories.
  static constexpr TypeFaitT kPremierTypePerso = 12;

  TGV9FaitHistorique();
  TGV9FaitHistorique(const TGV9FaitHistorique& other);
  TGV9FaitHistorique& operator=(const TGV9FaitHistorique& other);
  void EndInit() override;
  void zeroMemory();
  std::uint32_t GetDataSize() const override;

  const AnsiString& GetNom() const { return f_.nom; }
  void SetNom(const AnsiString& text) { f_.nom = text; }
  TypeFaitT GetTypeFait() const { return f_.typeFait; }
  void SetTypeFait(TypeFaitT type) { f_.typeFait = type; }
  const AnsiString& GetOrigine() const { return f_.origine; }
  void SetOrigine(const AnsiString& text) { f_.origine = text; }
  const AnsiString& GetDescription() const { return f_.description; }
  void SetDescription(const AnsiString& text) { f_.description = text; }
  std::int32_t GetPriorite() const { return f_.priorite; }
  void SetPriorite(std::int32_t value) { f_.priorite = value; }
  const AnsiString& GetTexteSupplementaire() const { return f_.extraText; }
  void SetTexteSupplementaire(const AnsiString& text) { f_.extraText = text; }
  std::uint32_t GetValeurSupplementaire() const { return f_.extraValue; }
  void SetValeurSupplementaire(std::uint32_t value) { f_.extraValue = value; }
  bool GetPerso() const { return f_.perso != 0; }
  void SetPerso(bool on) { f_.perso = on ? 1 : 0; }
  const TGDate::dateT& GetDateBlock() const { return f_.date; }

  // Parses the text as a date; a date of another calendar than the Julian
  // or Gregorian one is converted to the Gregorian calendar first. A valid
  // date sets day, month and year on both sides; an invalid one changes
  // nothing. Answers whether the date was taken.
  bool SetDateTexte(const AnsiString& text);
  AnsiString GetDateTexte() const;
  // The year the fact is dated with (the last part of its date text); 0
  // when undated.
  int GetAnnee() const;
  int GetDateTri() const { return f_.date.Year[0]; }

  static AnsiString GetNomType(TypeFaitT type);
  bool IsKelType() const { return f_.typeFait < kPremierTypePerso; }
  // which 0: the supplied categories; 1: "Perso"; 2: both.
  static void GetListeTypes(std::vector<AnsiString>& list, int which);
  static int GetListeTypesCount(int which);
  static void GetRubriques(std::vector<AnsiString>& list);
  void GetAttributsTexte(std::vector<AnsiString>& list) const;
  AnsiString GetAttributsPourRecherche() const;

  const std::string& GetVignette() const { return f_.vignette; }
  void SaveVignette(const std::string& jpegBytes) { f_.vignette = jpegBytes; }
  void ResetVignette() { f_.vignette.clear(); }

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
    AnsiString nom;
    TGDate::dateT date{};
    TypeFaitT typeFait = 0;
    AnsiString origine;
    AnsiString description;
    std::int32_t priorite = 0;
    AnsiString extraText;
    std::uint32_t extraValue = 0;
    std::uint8_t perso = 0;
    std::string vignette;
  };
  Fields f_;
};

}  // namespace genvora
