#include "tables/TGTableProfessions.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

#include "platform/Preferences.h"
#include "utilities/SqliteDatabase.h"
#include "utilities/TextUtils.h"
#include "tables/RecordPeek.h"

namespace genvora {

TGTableProfessions::TGTableProfessions() : TGTableDicoTexte("TableProfessions", "TBProfession-IdxAlpha") {}

AnsiString TGTableProfessions::TexteDe(CodeID code) const {
  TVGProfession profession;
  return LitSansEffacer(profession, code, *const_cast<TGTableProfessions*>(this)) ? profession.GetProfession()
                                                                              : AnsiString();
}

CodeID TGTableProfessions::ProfessionExists(const AnsiString& text) const { return TexteExists(AnsiTrim(text)); }

CodeID TGTableProfessions::MetAJour(TVGProfession& profession, ICodeAllocator* codes, bool lookupOnly) {
  const CodeID found = ProfessionExists(profession.GetProfession());
  if (found != 0) {
    profession.SetCodeID(found);
    return found;
  }
  if (lookupOnly || codes == nullptr || AnsiTrim(profession.GetProfession()).empty()) return 0;
  const CodeID code = codes->GetNextID();
  if (code == 0) return 0;
  profession.SetCodeID(code);
  profession.SetRattachement(code);
  if (profession.GetProfessionUCD().empty()) profession.SetProfessionUCD(EnleveAccentsEtUpperCase(profession.GetProfession()));
  return EcritData(&profession) != 0 ? code : 0;
}

std::string TGTableProfessions::ReferenceQuery(const std::string& langue) {
  // The language code comes from the preferences: a quote in it is doubled
  // so that it stays inside the literal.
  std::string quoted;
  for (char c : langue) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return "SELECT profession FROM Professions WHERE locale='" + quoted + "'";
}

bool TGTableProfessions::getListeDesProfessions(std::vector<AnsiString>& out, std::vector<AnsiString>* upperOut,
                                                bool withReference) const {
  const std::size_t first = out.size();
  for (CodeID code : StoreOrderCodes(*this)) out.push_back(TexteDe(code));

  bool ok = true;
  const TPreferenceGenvora5* prefs = SharedPrefs();
  if (withReference && prefs != nullptr && !prefs->ProfessionsReference.empty()) {
    TSqliteDatabase reference;
    TSqliteStatement statement;
    ok = reference.OpenReadOnly(prefs->ProfessionsReference);
    if (ok) statement = reference.Prepare(ReferenceQuery(prefs->LangueReference));
    ok = ok && statement.Valid();
    std::vector<AnsiString> rows;
    while (ok) {
      const TSqliteStatement::StepResult step = statement.Step();
      if (step == TSqliteStatement::StepResult::Done) break;
      if (step == TSqliteStatement::StepResult::Error) ok = false;
      if (ok && !statement.ColumnIsNull(0)) rows.push_back(ConvertUTF8StringToAnsiString(statement.ColumnText(0)));
    }
    // A query that fails half-way adds nothing: the stored professions stay
    // the whole answer.
    if (ok) out.insert(out.end(), rows.begin(), rows.end());
  }
  if (upperOut != nullptr)
    for (std::size_t i = first; i < out.size(); ++i) upperOut->push_back(EnleveAccentsEtUpperCase(out[i]));
  return ok;
}

bool TGTableProfessions::CreerBaseReference(const std::string& pathUtf8, const std::vector<ReferenceRow>& rows,
                                            std::string& error) {
  std::remove(pathUtf8.c_str());
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(pathUtf8.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    error = db != nullptr ? sqlite3_errmsg(db) : "cannot open";
    sqlite3_close(db);
    return false;
  }
  bool ok = sqlite3_exec(db, "CREATE TABLE Professions(profession TEXT, locale TEXT); BEGIN;", nullptr, nullptr,
                         nullptr) == SQLITE_OK;
  sqlite3_stmt* insert = nullptr;
  ok = ok && sqlite3_prepare_v2(db, "INSERT INTO Professions(profession, locale) VALUES(?, ?)", -1, &insert,
                                nullptr) == SQLITE_OK;
  for (std::size_t i = 0; ok && i < rows.size(); ++i) {
    sqlite3_bind_text(insert, 1, rows[i].profession.c_str(), static_cast<int>(rows[i].profession.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, rows[i].locale.c_str(), static_cast<int>(rows[i].locale.size()), SQLITE_TRANSIENT);
    ok = sqlite3_step(insert) == SQLITE_DONE;
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  ok = ok && sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr) == SQLITE_OK;
  if (!ok) error = sqlite3_errmsg(db);
  sqlite3_close(db);
  return ok;
}

bool TGTableProfessions::LitListeReference(const std::string& text, std::vector<ReferenceRow>& rows,
                                           std::string& error) {
  std::size_t start = 0;
  int line = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string current = text.substr(start, end - start);
    start = end + 1;
    ++line;
    if (!current.empty() && current.back() == '\r') current.pop_back();
    if (current.empty() || current[0] == '#') continue;
    const std::size_t tab = current.find('\t');
    if (tab == std::string::npos || tab == 0 || tab + 1 == current.size()) {
      error = "line " + std::to_string(line) + ": expected locale<TAB>profession";
      return false;
    }
    rows.push_back({current.substr(tab + 1), current.substr(0, tab)});
  }
  return true;
}

bool TGTableProfessions::isCaractereSeparateur(char c) {
  switch (c) {
    case ' ':
    case ',':
    case ';':
    case '/':
    case '(':
    case ')':
    case '.':
    case '?':
      return true;
    default:
      return false;
  }
}

bool TGTableProfessions::isProfessionAChercherAtIndex(const AnsiString& text, const AnsiString& profession,
                                                      int position) {
  if (position < 1 || profession.empty()) return false;
  const std::size_t at = static_cast<std::size_t>(position - 1);
  if (at > text.size() || text.size() - at < profession.size()) return false;
  if (text.compare(at, profession.size(), profession) != 0) return false;
  const std::size_t end = at + profession.size();
  return (at == 0 || isCaractereSeparateur(text[at - 1])) && (end == text.size() || isCaractereSeparateur(text[end]));
}

std::vector<AnsiString> TGTableProfessions::MorceauxBornes(const AnsiString& text) {
  std::vector<std::size_t> starts{0}, ends;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!isCaractereSeparateur(text[i])) continue;
    starts.push_back(i + 1);
    ends.push_back(i);
  }
  ends.push_back(text.size());
  std::vector<AnsiString> pieces;
  for (std::size_t s : starts)
    for (std::size_t e : ends)
      if (e > s) pieces.push_back(text.substr(s, e - s));
  return pieces;
}

AnsiString TGTableProfessions::TexteNettoye(const AnsiString& text) {
  AnsiString cleaned = AnsiTrim(text);
  std::size_t at;
  while ((at = cleaned.find("  ")) != AnsiString::npos) cleaned.erase(at, 1);
  return cleaned;
}

int TGTableProfessions::MettreAJourProfessionForIndividu(CodeID individu, const std::vector<AnsiString>& professions,
                                                         const std::vector<AnsiString>* upperProfessions,
                                                         ICodeAllocator* codes) {
  AnsiString field;
  if (individus_ == nullptr || individu == 0 ||
      !individus_->LitTexte(individu, IIndividusDictionnaires::kProfessions, field))
    return 0;
  const AnsiString cleaned = TexteNettoye(field);
  // Links that outlive the text would name professions the individual no
  // longer has: an emptied text clears them too.
  if (liens_ != nullptr) liens_->SupprLiensUnCode(individu);
  if (cleaned.empty()) return 0;
  if (cleaned != field) individus_->EcritTexte(individu, IIndividusDictionnaires::kProfessions, cleaned);
  const AnsiString upper = EnleveAccentsEtUpperCase(cleaned);

  int linked = 0;
  for (std::size_t i = 0; i < professions.size(); ++i) {
    const AnsiString wanted = upperProfessions != nullptr && i < upperProfessions->size()
                                  ? (*upperProfessions)[i]
                                  : EnleveAccentsEtUpperCase(professions[i]);
    if (wanted.empty()) continue;
    bool found = false;
    for (std::size_t at = upper.find(wanted); at != AnsiString::npos && !found; at = upper.find(wanted, at + 1))
      found = isProfessionAChercherAtIndex(upper, wanted, static_cast<int>(at) + 1);
    if (!found) continue;
    TVGProfession profession;
    profession.SetProfession(AnsiTrim(professions[i]));
    const CodeID code = MetAJour(profession, codes, false);
    if (code == 0) continue;
    if (liens_ != nullptr) liens_->AjouteLien(individu, code);
    ++linked;
  }
  return linked;
}

bool TGTableProfessions::MettreAJourProfessionDansChampIndividu(CodeID individu, const AnsiString& ancien,
                                                               const AnsiString& nouveau) {
  const AnsiString from = EnleveAccentsEtUpperCase(AnsiTrim(ancien));
  const AnsiString to = AnsiTrim(nouveau);
  AnsiString field;
  if (individus_ == nullptr || individu == 0 || from.empty() || to.empty() ||
      !individus_->LitTexte(individu, IIndividusDictionnaires::kProfessions, field))
    return false;
  const std::size_t width = AnsiTrim(ancien).size();
  AnsiString rebuilt;
  bool changed = false;
  std::size_t at = 0;
  while (at < field.size()) {
    // Each candidate is compared in the form the search uses, on the bytes
    // of the text itself, so the replaced bytes are the ones that matched.
    const bool bounded = at == 0 || isCaractereSeparateur(field[at - 1]);
    if (bounded && field.size() - at >= width) {
      const AnsiString candidate = field.substr(at, width);
      const std::size_t end = at + width;
      if (EnleveAccentsEtUpperCase(candidate) == from && (end == field.size() || isCaractereSeparateur(field[end]))) {
        rebuilt += to;
        changed = changed || candidate != to;
        at = end;
        continue;
      }
    }
    rebuilt += field[at++];
  }
  if (!changed) return false;
  return individus_->EcritTexte(individu, IIndividusDictionnaires::kProfessions, rebuilt);
}

}  // namespace genvora
