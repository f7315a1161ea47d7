// TGTablePrenoms: the first-names dictionary "TablePrenoms" (TVGPrenom
// records) with its alphabetical index "TBPrenom-IdxAlpha", and the upkeep
// of the first names of individuals through the first-name links table.
//
// A first name of a text is a run of characters between delimiters: comma,
// space, semicolon, double quote, parentheses, angle brackets, braces and
// square brackets. Words that are capitalisation exceptions of the
// preferences ("de", "von"...) never become first names.
//
// Choices this table makes:
//  - AjouterMettreAJourPrenom's two flags: `griot` gives the first names it
//    creates the Griot flag (their spelling is final, as the individual's
//    is); `usuelSiAucun` makes the first name of the text the usual one
//    when the individual has none yet.
//  - MonPrenomCommencePar compares accent-free upper-case forms with the
//    words joined by one space: "jean p" begins "Jean, Pierre"; the last
//    word of `debut` may be cut short, the others must be whole.
//  - A first name replaced in an individual's field is replaced wherever it
//    stands as a whole word (case ignored); the individual's link moves to
//    the new first name and keeps its usual flag.
#pragma once

#include "records/TVGPrenom.h"
#include <vector>

#include "tables/IndividusDictionnaires.h"
#include "tables/TGTableDicoTexte.h"
#include "tables/TGTableLiensPrenoms.h"
#include "utilities/TextUtils.h"

namespace genvora {

// sexePrenomT values.
constexpr sexePrenomT kPrenomMasculin = 0;
constexpr sexePrenomT kPrenomFeminin = 1;
constexpr sexePrenomT kPrenomMixte = 2;

class TGTablePrenoms : public TGTableDicoTexte, public IFirstNameLookup {
 public:
  static const AnsiString& sPrenomDelimiters();

  TGTablePrenoms();

  void SetLiens(TGTableLiensPrenoms* liens) { liens_ = liens; }
  // The individuals whose first-names field the table rewrites (not owned).
  void SetIndividus(IIndividusDictionnaires* individus) { individus_ = individus; }

  int EcritData(TVGPrenom* prenom) { return EcritRecord(prenom); }
  bool FetchData(CodeID code, TVGPrenom* prenom) { return prenom != nullptr && prenom->LitDans(code, this); }
  using LXArray::EcritData;
  using LXArray::FetchData;

  // The code of the first name spelt `text` (trimmed), case ignored.
  CodeID PrenomExists(const AnsiString& text) const { return TexteExists(AnsiTrim(text)); }
  // The 1-based position a first name spelt `text` would take in the
  // alphabetical index (after the equal ones): where a list shows it.
  int PrenomInsertionAlpha(const AnsiString& text) const { return PositionAlpha(AnsiTrim(text)); }
  // True when the first names of `prenoms` begin with those of `debut`
  // (see the choices above); an empty `debut` begins every text.
  static bool MonPrenomCommencePar(const AnsiString& prenoms, const AnsiString& debut);
  // Insert or find: a found first name gives its code to the record; a new
  // one, unless `lookupOnly`, gets a new code, is its own master and is
  // written. Answers the code, 0 when none.
  CodeID MetAJour(TVGPrenom& prenom, ICodeAllocator* codes, bool lookupOnly);

  // From the 1-based `position`, skips delimiters and answers the word up
  // to the next delimiter; `position` is left on the character after it.
  static AnsiString ExtraitPrenomSuivant(const AnsiString& text, int& position);
  // True when the preferences hold the word (accent-free, upper case) among
  // their exceptions.
  static bool IsException(const AnsiString& word);
  // The first names of a text, in order: its words between delimiters, the
  // capitalisation exceptions left out, each as typed.
  static std::vector<AnsiString> PrenomsDe(const AnsiString& text);

  // Adds or updates each first name of `text` and links it to `individu`
  // (when not 0) with the usual flag clear. Answers the code of the last
  // first name handled.
  CodeID AjouterMettreAJourPrenom(const AnsiString& text, CodeID individu, sexePrenomT sexe, ICodeAllocator* codes,
                                  bool griot = false, bool usuelSiAucun = false);
  // Replaces the first-name links of `individu` by those of `text`, each
  // name capitalised; the usual first name stays usual when it is still
  // there.
  void AjouterMettreAJourPrenomsChaine(const AnsiString& text, CodeID individu, sexePrenomT sexe,
                                       ICodeAllocator* codes);
  // "m" or "f" settles the sex of the individual's first names of unknown
  // sex; "?" changes nothing.
  void ForceSexePrenomFromSexeIndividu(CodeID individu, const AnsiString& sexe);

  // Replaces, in the individual's first-names field, every word equal to
  // `ancien` (case ignored) by `nouveau`, and stores the individual. False
  // when nothing changed or the individual cannot be read or written.
  bool MettreAJourPrenomDansChampIndividu(CodeID individu, const AnsiString& ancien, const AnsiString& nouveau);
  // Puts the first name `nouveau` in the place of `ancien` for `individu`,
  // or for every individual linked to `ancien` when `individu` is 0: the
  // field is rewritten and the link moves, keeping its usual flag. Answers
  // the count of individuals changed.
  int RemplacePrenomIndividu(CodeID ancien, CodeID nouveau, CodeID individu);
  // The first names linked to the individual: the usual one first, then the
  // others in link order.
  void GetListePrenoms(CodeID individu, std::vector<AnsiString>& out);
  // Links the individual and a stored first name; with `usuel` it becomes
  // the individual's only usual first name (without, a link that is
  // already usual stays so). False for a code this table does not hold.
  bool AjouterLienPrenomAvecUsuel(CodeID individu, CodeID prenom, bool usuel);

  // Brings the first names of `source` in, unified by text; see
  // TGTableDicoTexte::ImporterTextes. Links to individuals are the
  // caller's, through the map.
  int Importer(TGTablePrenoms& source, ICodeAllocator* codes, CodeMap& map) {
    return ImporterTextes<TVGPrenom>(source, codes, map, [](const TVGPrenom& p) { return p.Prenom(); });
  }

  // IFirstNameLookup, 0-based.
  bool ExtraitPrenomSuivant(const AnsiString& text, std::size_t& position, std::size_t& nameStart,
                            std::size_t& nameLength) const override;
  bool OrthographeGriot(const AnsiString& upperName, AnsiString& spelling) const override;

 protected:
  AnsiString TexteDe(CodeID code) const override;
  bool LitRattachement(const void* data, unsigned size, CodeID& master) const override {
    return DecodeRattachement<TVGPrenom>(data, size, master);
  }

 private:
  CodeID AjouterUnPrenom(const AnsiString& word, CodeID individu, sexePrenomT sexe, ICodeAllocator* codes,
                         bool griot);
  TGTableLiensPrenoms* liens_ = nullptr;
  IIndividusDictionnaires* individus_ = nullptr;
};

}  // namespace genvora
