#include "tables/TGTablePrenoms.h"

#include <algorithm>
#include <vector>

#include "platform/Preferences.h"
#include "utilities/Collation.h"
#include "tables/RecordPeek.h"

namespace genvora {

const AnsiString& TGTablePrenoms::sPrenomDelimiters() {
  static const AnsiString delimiters = ", ;\"()<>{}[]";
  return delimiters;
}

TGTablePrenoms::TGTablePrenoms() : TGTableDicoTexte("TablePrenoms", "TBPrenom-IdxAlpha") {}

AnsiString TGTablePrenoms::TexteDe(CodeID code) const {
  TVGPrenom prenom;
  // A code without a readable record sorts as an empty text.
  return LitSansEffacer(prenom, code, *const_cast<TGTablePrenoms*>(this)) ? prenom.Prenom() : AnsiString();
}

CodeID TGTablePrenoms::MetAJour(TVGPrenom& prenom, ICodeAllocator* codes, bool lookupOnly) {
  const CodeID found = PrenomExists(prenom.Prenom());
  if (found != 0) {
    prenom.SetCodeID(found);
    return found;
  }
  if (lookupOnly || codes == nullptr || AnsiTrim(prenom.Prenom()).empty()) return 0;
  const CodeID code = codes->GetNextID();
  if (code == 0) return 0;
  prenom.SetCodeID(code);
  prenom.SetRattachement(code);
  return EcritData(&prenom) != 0 ? code : 0;
}

namespace {

bool NextPrenom(const AnsiString& text, std::size_t& position, std::size_t& nameStart, std::size_t& nameLength) {
  const AnsiString& delimiters = TGTablePrenoms::sPrenomDelimiters();
  std::size_t p = position;
  while (p < text.size() && delimiters.find(text[p]) != AnsiString::npos) ++p;
  if (p >= text.size()) return false;
  std::size_t end = p;
  while (end < text.size() && delimiters.find(text[end]) == AnsiString::npos) ++end;
  nameStart = p;
  nameLength = end - p;
  position = end;
  return true;
}

}  // namespace

bool TGTablePrenoms::ExtraitPrenomSuivant(const AnsiString& text, std::size_t& position, std::size_t& nameStart,
                                          std::size_t& nameLength) const {
  return NextPrenom(text, position, nameStart, nameLength);
}

AnsiString TGTablePrenoms::ExtraitPrenomSuivant(const AnsiString& text, int& position) {
  if (position < 1) position = 1;
  std::size_t p = static_cast<std::size_t>(position - 1);
  std::size_t start = 0, length = 0;
  const bool found = NextPrenom(text, p, start, length);
  if (!found) {
    // Only delimiters were left: the walk is at the end.
    position = static_cast<int>(text.size()) + 1;
    return {};
  }
  position = static_cast<int>(p) + 1;
  return text.substr(start, length);
}

bool TGTablePrenoms::IsException(const AnsiString& word) {
  const TPreferenceGenvora5* prefs = SharedPrefs();
  if (prefs == nullptr) return false;
  const AnsiString key = EnleveAccentsEtUpperCase(word);
  return std::any_of(prefs->ExceptionsCapitalisation.begin(), prefs->ExceptionsCapitalisation.end(),
                     [&key](const AnsiString& e) { return EnleveAccentsEtUpperCase(e) == key; });
}

bool TGTablePrenoms::OrthographeGriot(const AnsiString& upperName, AnsiString& spelling) const {
  const CodeID code = PrenomExists(upperName);
  if (code == 0) return false;
  TVGPrenom prenom;
  if (!prenom.LitDans(code, const_cast<TGTablePrenoms*>(this)) || !prenom.GetGriot()) return false;
  spelling = prenom.Prenom();
  return true;
}

CodeID TGTablePrenoms::AjouterUnPrenom(const AnsiString& word, CodeID individu, sexePrenomT sexe,
                                       ICodeAllocator* codes) {
  TVGPrenom prenom;
  CodeID code = PrenomExists(word);
  if (code == 0) {
    if (codes == nullptr || (code = codes->GetNextID()) == 0) return 0;
    prenom.SetCodeID(code);
    prenom.SetSexe(sexe);
    prenom.SetPrenom(word);
    prenom.SetPrenomUCD(EnleveAccentsEtUpperCase(word));
    prenom.SetRattachement(code);
    if (EcritData(&prenom) == 0) return 0;
    if (individu != 0 && liens_ != nullptr) liens_->AjouteLien(individu, code, false);
    return code;
  }
  if (prenom.LitDans(code, this) && prenom.GetSexe() == kPrenomMixte && sexe != kPrenomMixte) {
    prenom.SetSexe(sexe);
    EcritData(&prenom);
  }
  if (individu != 0 && liens_ != nullptr && liens_->GetUsuel(individu) != code) liens_->AjouteLien(individu, code, false);
  return code;
}

CodeID TGTablePrenoms::AjouterMettreAJourPrenom(const AnsiString& text, CodeID individu, sexePrenomT sexe,
                                                ICodeAllocator* codes) {
  CodeID last = 0;
  int position = 1;
  while (true) {
    const AnsiString word = ExtraitPrenomSuivant(text, position);
    if (word.empty()) break;
    if (IsException(word)) continue;
    const CodeID code = AjouterUnPrenom(word, individu, sexe, codes);
    if (code != 0) last = code;
  }
  return last;
}

void TGTablePrenoms::AjouterMettreAJourPrenomsChaine(const AnsiString& text, CodeID individu, sexePrenomT sexe,
                                                     ICodeAllocator* codes) {
  AnsiString usuel;
  if (liens_ != nullptr && individu != 0) {
    const CodeID code = liens_->GetUsuel(individu);
    if (code != 0) usuel = TexteDe(code);
    liens_->SupprLiensUnCode(individu);
  }
  int position = 1;
  while (true) {
    const AnsiString raw = ExtraitPrenomSuivant(text, position);
    if (raw.empty()) break;
    if (IsException(raw)) continue;
    const AnsiString word = FirstUpperWithGriot(raw, this);
    const CodeID code = AjouterUnPrenom(word, individu, sexe, codes);
    if (code != 0 && !usuel.empty() && liens_ != nullptr && individu != 0 &&
        CompareTextLocale(word, usuel, true) == 0)
      liens_->SetUsuel(individu, code);
  }
}

void TGTablePrenoms::ForceSexePrenomFromSexeIndividu(CodeID individu, const AnsiString& sexe) {
  if (liens_ == nullptr || sexe == "?") return;
  sexePrenomT forced;
  if (sexe == "m")
    forced = kPrenomMasculin;
  else if (sexe == "f")
    forced = kPrenomFeminin;
  else
    return;
  LArray codes(4, nullptr, false);
  liens_->GetPrenoms(individu, &codes);
  for (int i = 1; i <= static_cast<int>(codes.GetCount()); ++i) {
    TVGPrenom prenom;
    if (prenom.LitDans(ItemWord(codes.GetItemPtr(i), 0), this) && prenom.GetSexe() == kPrenomMixte) {
      prenom.SetSexe(forced);
      EcritData(&prenom);
    }
  }
}

CodeID TGTablePrenoms::GetVarianteMaitre(CodeID code) {
  TVGPrenom prenom;
  if (!prenom.LitDans(code, this)) return code;
  const CodeID master = prenom.GetRattachement();
  return master != 0 && master != code ? master : code;
}

}  // namespace genvora
