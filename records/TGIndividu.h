// The record of one person: the codes that tie it to the rest of the file
// (father, mother, surname, address), its own texts, research and status
// flags, and two precise time stamps. Births, deaths and other facts are
// event records owned by the individual.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    4 | CodePere
//       16 |    4 | CodeMere
//       20 |    4 | CodeNom (surname record)
//       24 |    4 | CodeAdresse (address record)
//       28 | text | Prenoms                           selector 5
//        . | text | Professions                       selector 6
//        . | text | Sexe, one character ("m", "f", "?") selector 10
//        . | text | note (rich text)                  selector 11
//        . | text | Numero                            selector 12
//        . | text | user texts 1 to 10                selectors 13 to 22
//        . |    1 | ChercheNaissance                  selector 26
//        . |    1 | ChercheDeces                      selector 27
//        . |    1 | Citation                          selector 28
//        . |    1 | Descendance                       selector 29
//        . |    1 | Signature (signatureT)            selector 30
//        . |    1 | Filiation (filiationT)            selector 31
//        . |    1 | Marque                            selector 32
//        . |    2 | Switches
//        . |    1 | Confidentiel                      selector 33
//        . | text | Suffixe                           selector 7
//        . | text | Alias                             selector 8
//        . | text | Titre                             selector 9
//        . |    1 | Griot
//        . |    1 | Exportable            <- end of the base fields
//   group 2: complete flag, range-check exemption, note flag (1 byte each)
//   group 3: Secondaire (1), Prefixe (text), SansAlliance (1)
//   group 4: user texts 11 to 13                  selectors 23 to 25
//   group 5: precise creation and modification stamps (8-byte doubles)
//
// An absent group takes its defaults (0, empty, 0.0) with every later group.
// GetDataSize() = 84 + the lengths of the 21 texts other than the sex.
#pragma once

#include <array>

#include "records/TGRoot.h"

namespace genvora {

// On-disk enumeration values, one byte each.
enum signatureT : std::uint8_t { slPEUTETRE = 0, slOUI = 1, slNON = 2 };
enum filiationT : std::uint8_t {
  flLEGITIME = 0,
  flNATUREL = 1,
  flRECONNU = 2,
  flLEGITIMER = 3,
  flTROUVE = 4,
  flADOPTE = 5,
  flADULTERE = 6,
  flMORTNE = 7,
  flINCONNUE = 8,
  flFIN = 9,
};

class TGIndividu : public TGRoot {
 public:
  // Options bits of the first-name display and of the line of text.
  static constexpr std::uint8_t kOptPrenoms = 0x01;
  static constexpr std::uint8_t kOptPremierPrenom = 0x02;
  static constexpr std::uint8_t kOptPrenomUsuel = 0x04;
  static constexpr std::uint8_t kOptInitiales = 0x10;
  static constexpr std::uint8_t kOptProfessions = 0x40;
  static constexpr std::uint8_t kOptProfessionsParentheses = 0x80;

  TGIndividu();

  void EndInit() override;
  std::uint32_t GetDataSize() const override;

  CodeID GetCodePere() const { return f_.codePere; }
  void SetCodePere(CodeID code) { f_.codePere = code; }
  CodeID GetCodeMere() const { return f_.codeMere; }
  void SetCodeMere(CodeID code) { f_.codeMere = code; }
  CodeID GetCodeNom() const { return f_.codeNom; }
  void SetCodeNom(CodeID code) { f_.codeNom = code; }
  CodeID GetCodeAdresse() const { return f_.codeAdresse; }
  void SetCodeAdresse(CodeID code) { f_.codeAdresse = code; }

  // Texts by selector: 5 gives the displayed first names, 10 the sex; other
  // selectors read empty. SetChar trims; the sex keeps its first character.
  AnsiString GetChar(int selector) const;
  void SetChar(int selector, const AnsiString& value);
  // Flags by selector 26 to 33.
  bool GetBool(int selector) const;
  void SetBool(int selector, bool value);
  // User text i, 0 <= i <= 12.
  AnsiString GetUserFieldValue(int i) const;
  void SetUserFieldValue(int i, const AnsiString& value);

  bool GetFeminin() const { return f_.sexe == "f"; }
  void SetFeminin(bool value) { f_.sexe.assign(1, value ? 'f' : 'm'); }
  bool GetMasculin() const { return f_.sexe == "m"; }
  void SetMasculin(bool value) { f_.sexe.assign(1, value ? 'm' : 'f'); }

  std::uint8_t GetSignature() const { return f_.signature; }
  void SetSignature(std::uint8_t value) { f_.signature = value; }
  std::uint8_t GetFiliation() const { return f_.filiation; }
  void SetFiliation(std::uint8_t value) { f_.filiation = value; }
  std::uint16_t GetSwitches() const { return f_.switches; }
  void SetSwitches(std::uint16_t value) { f_.switches = value; }
  bool GetComplet() const { return f_.complet; }
  void SetComplet(bool value) { f_.complet = value; }
  bool GetHorsControle() const { return f_.horsControle; }
  void SetHorsControle(bool value) { f_.horsControle = value; }
  bool GetNoteFlag() const { return f_.noteFlag; }
  void SetNoteFlag(bool value) { f_.noteFlag = value; }
  std::uint8_t GetSecondaire() const { return f_.secondaire; }
  void SetSecondaire(std::uint8_t value) { f_.secondaire = value; }
  const AnsiString& GetPrefixe() const { return f_.prefixe; }
  void SetPrefixe(const AnsiString& value) { f_.prefixe = value; }
  std::uint8_t GetSansAlliance() const { return f_.sansAlliance; }
  void SetSansAlliance(std::uint8_t value) { f_.sansAlliance = value; }
  double GetPreciseStamp(int which) const { return which == 0 ? f_.stampCreation : f_.stampModification; }
  void SetPreciseStamp(int which, double stamp) { (which == 0 ? f_.stampCreation : f_.stampModification) = stamp; }

  std::uint8_t GetOptions() const { return options_; }
  void SetOptions(std::uint8_t options) { options_ = options; }

  // The line of text built from the options; SetText has no effect.
  AnsiString GetText() const;
  void SetText(const AnsiString&) {}

  double GetDateModification() const;
  AnsiString GetDateChaine(int which) const override;
  void SetCreatedNow() override;
  void SetModifyNow() override;

  // Wording of a person-to-person link type from this person's side.
  AnsiString LienIndiIndiSens1(std::uint8_t type) const;
  AnsiString LienIndiIndiSens2(std::uint8_t type) const;
  AnsiString LienIndiIndiSens1Redac(std::uint8_t type) const;
  AnsiString LienIndiIndiSens2Redac(std::uint8_t type) const;

  // True when every character of `s` is a first-name delimiter.
  static bool MeResteQueDesDelimiters(const AnsiString& s);

  // Resets every stored field but Exportable; the sex becomes "?".
  void zeroMemory();

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TGIndividu* other, TListeAssociation* codes);

 protected:
  TGRootFields* Root() override { return &f_.root; }
  const TGRootFields* Root() const override { return &f_.root; }
  void WriteFields(ByteWriter& writer) const override;
  void ReadFields(ByteReader& reader) override;

 private:
  AnsiString PrenomsAffiches() const;
  AnsiString LinkWording(std::uint8_t type, bool redac, bool sens1) const;
  AnsiString* TextOfSelector(int selector);
  const AnsiString* TextOfSelector(int selector) const;
  std::uint8_t* FlagOfSelector(int selector);

  struct Fields {
    // The byte layout of the table above, stated once for the size, the
    // writer and the reader (records/RecordLayout.h).
    template <class W, class F>
    static void Layout(W& w, F& f);

    TGRootFields root;
    CodeID codePere = 0;
    CodeID codeMere = 0;
    CodeID codeNom = 0;
    CodeID codeAdresse = 0;
    AnsiString prenoms;
    AnsiString professions;
    AnsiString sexe;  // at most one character
    AnsiString note;
    AnsiString numero;
    std::array<AnsiString, 13> user;  // 0-9 in the base fields, 10-12 in group 4
    std::uint8_t chercheNaissance = 0;
    std::uint8_t chercheDeces = 0;
    std::uint8_t citation = 0;
    std::uint8_t descendance = 0;
    std::uint8_t signature = 0;
    std::uint8_t filiation = 0;
    std::uint8_t marque = 0;
    std::uint16_t switches = 0;
    std::uint8_t confidentiel = 0;
    AnsiString suffixe;
    AnsiString alias;
    AnsiString titre;
    // group 2
    bool complet = false;
    bool horsControle = false;
    bool noteFlag = false;
    // group 3
    std::uint8_t secondaire = 0;
    AnsiString prefixe;
    std::uint8_t sansAlliance = 0;
    // group 5
    double stampCreation = 0.0;
    double stampModification = 0.0;
  };
  Fields f_;
  std::uint8_t options_ = 0;
};

}  // namespace genvora
