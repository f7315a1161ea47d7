// TGTableProfessions: the professions dictionary "TableProfessions"
// (TVGProfession records) with its alphabetical index
// "TBProfession-IdxAlpha", and the list of professions a user can choose
// from: the stored ones, complemented by those of a reference database
// (SQLite, table Professions(profession, locale), texts in UTF-8) for the
// language of the preferences.
//
// The professions of an individual are the known professions its
// professions text names, each bounded in the text by its ends or by a
// separator (space , ; / ( ) . ?), compared accent-free in upper case; each
// is linked to the individual through the profession links table.
#pragma once

#include <string>
#include <vector>

#include "records/TVGProfession.h"
#include "tables/IndividusDictionnaires.h"
#include "tables/TGTableDicoTexte.h"
#include "tables/TGTableLiensProfessions.h"

namespace genvora {

class TGTableProfessions : public TGTableDicoTexte {
 public:
  TGTableProfessions();

  // The links and the individuals the table keeps in step (not owned).
  void SetLiens(TGTableLiensProfessions* liens) { liens_ = liens; }
  void SetIndividus(IIndividusDictionnaires* individus) { individus_ = individus; }

  int EcritData(TVGProfession* profession) { return EcritRecord(profession); }
  bool FetchData(CodeID code, TVGProfession* profession) {
    return profession != nullptr && profession->LitDans(code, this);
  }
  using LXArray::EcritData;
  using LXArray::FetchData;

  CodeID ProfessionExists(const AnsiString& text) const;
  // Insert or find, as the first names do.
  CodeID MetAJour(TVGProfession& profession, ICodeAllocator* codes, bool lookupOnly);

  // Cleans the individual's professions text (trimmed, double spaces
  // reduced), stores it back when that changed, and links the individual
  // to each profession of `professions` the text names, creating the
  // dictionary record when needed. `upperProfessions`, when given, holds
  // the accent-free upper-case form of each entry of `professions` (same
  // order). An empty text leaves the individual without profession links.
  // Answers the count of professions linked.
  int MettreAJourProfessionForIndividu(CodeID individu, const std::vector<AnsiString>& professions,
                                       const std::vector<AnsiString>* upperProfessions, ICodeAllocator* codes);
  // Replaces, in the individual's professions text, every occurrence of
  // `ancien` bounded by separators (accents and case ignored) by `nouveau`,
  // and stores the individual. False when nothing changed or the
  // individual cannot be read or written.
  bool MettreAJourProfessionDansChampIndividu(CodeID individu, const AnsiString& ancien, const AnsiString& nouveau);

  // Brings the professions of `source` in, unified by text; see
  // TGTableDicoTexte::ImporterTextes.
  int Importer(TGTableProfessions& source, ICodeAllocator* codes, CodeMap& map) {
    return ImporterTextes<TVGProfession>(source, codes, map,
                                         [](const TVGProfession& p) { return p.GetProfession(); });
  }

  // `out` receives the text of every stored profession in store order;
  // with `withReference` and preferences naming a reference database, the
  // professions of the preferences' language follow. `upperOut`, when
  // given, receives each entry accent-free and in upper case. Answers false
  // when the reference database was asked for and could not be read (`out`
  // then holds the stored professions only).
  bool getListeDesProfessions(std::vector<AnsiString>& out, std::vector<AnsiString>* upperOut,
                              bool withReference) const;
  // The query run against the reference database for a language code.
  static std::string ReferenceQuery(const std::string& langue);

  // Creates (or replaces) a reference database at `pathUtf8` holding the
  // rows {profession, locale} (UTF-8 texts); false with `error` on failure.
  struct ReferenceRow {
    std::string profession;
    std::string locale;
  };
  static bool CreerBaseReference(const std::string& pathUtf8, const std::vector<ReferenceRow>& rows,
                                 std::string& error);
  // Reads "locale<TAB>profession" lines (UTF-8; blank lines and lines
  // starting with '#' skipped) into rows; false when a line has no tab.
  static bool LitListeReference(const std::string& text, std::vector<ReferenceRow>& rows, std::string& error);

  // The professions text as an individual keeps it: trimmed, every run of
  // spaces reduced to one.
  static AnsiString TexteNettoye(const AnsiString& text);
  // Separators bounding a profession inside an individual's text.
  static bool isCaractereSeparateur(char c);
  // Every piece of `text` that starts at its beginning or after a separator
  // and ends at its end or on a separator: exactly the texts that
  // isProfessionAChercherAtIndex finds somewhere in `text`. Looking the
  // pieces up costs what the text costs, not what the dictionary does.
  static std::vector<AnsiString> MorceauxBornes(const AnsiString& text);
  // True when `profession` occurs in `text` at the 1-based `position`
  // bounded on each side by an end of the text or a separator.
  static bool isProfessionAChercherAtIndex(const AnsiString& text, const AnsiString& profession, int position);

 protected:
  AnsiString TexteDe(CodeID code) const override;
  bool LitRattachement(const void* data, unsigned size, CodeID& master) const override {
    return DecodeRattachement<TVGProfession>(data, size, master);
  }

 private:
  TGTableLiensProfessions* liens_ = nullptr;
  IIndividusDictionnaires* individus_ = nullptr;
};

}  // namespace genvora
