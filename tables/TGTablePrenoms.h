// TGTablePrenoms: the first-names dictionary "TablePrenoms" (TVGPrenom
// records) with its alphabetical index "TBPrenom-IdxAlpha", and the upkeep
// of the first names of individuals through the first-name links table.
//
// A first name of a text is a run of characters between delimiters: comma,
// space, semicolon, double quote, parentheses, angle brackets, braces and
// square brackets. Words that are capitalisation exceptions of the
// preferences ("de", "von"...) never become first names.
#pragma once

#include "records/TVGPrenom.h"
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

  int EcritData(TVGPrenom* prenom) { return EcritRecord(prenom); }
  bool FetchData(CodeID code, TVGPrenom* prenom) { return prenom != nullptr && prenom->LitDans(code, this); }
  using LXArray::EcritData;
  using LXArray::FetchData;

  // The code of the first name spelt `text` (trimmed), case ignored.
  CodeID PrenomExists(const AnsiString& text) const { return TexteExists(AnsiTrim(text)); }
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

  // Adds or updates each first name of `text` and links it to `individu`
  // (when not 0) with the usual flag clear. Answers the code of the last
  // first name handled.
  CodeID AjouterMettreAJourPrenom(const AnsiString& text, CodeID individu, sexePrenomT sexe, ICodeAllocator* codes);
  // Replaces the first-name links of `individu` by those of `text`, each
  // name capitalised; the usual first name stays usual when it is still
  // there.
  void AjouterMettreAJourPrenomsChaine(const AnsiString& text, CodeID individu, sexePrenomT sexe,
                                       ICodeAllocator* codes);
  // "m" or "f" settles the sex of the individual's first names of unknown
  // sex; "?" changes nothing.
  void ForceSexePrenomFromSexeIndividu(CodeID individu, const AnsiString& sexe);

  CodeID GetVarianteMaitre(CodeID code);

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

 private:
  CodeID AjouterUnPrenom(const AnsiString& word, CodeID individu, sexePrenomT sexe, ICodeAllocator* codes);
  TGTableLiensPrenoms* liens_ = nullptr;
};

}  // namespace genvora
