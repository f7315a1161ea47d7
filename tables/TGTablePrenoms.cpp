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

std::vector<AnsiString> TGTablePrenoms::PrenomsDe(const AnsiString& text) {
  std::vector<AnsiString> words;
  int position = 1;
  while (true) {
    AnsiString word = ExtraitPrenomSuivant(text, position);
    if (word.empty()) break;
    if (!IsException(word)) words.push_back(std::move(word));
  }
  return words;
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
                                       ICodeAllocator* codes, bool griot) {
  TVGPrenom prenom;
  CodeID code = PrenomExists(word);
  if (code == 0) {
    if (codes == nullptr || (code = codes->GetNextID()) == 0) return 0;
    prenom.SetCodeID(code);
    prenom.SetSexe(sexe);
    prenom.SetPrenom(word);
    prenom.SetPrenomUCD(EnleveAccentsEtUpperCase(word));
    prenom.SetRattachement(code);
    prenom.SetGriot(griot);
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
                                                ICodeAllocator* codes, bool griot, bool usuelSiAucun) {
  CodeID first = 0;
  CodeID last = 0;
  for (const AnsiString& word : PrenomsDe(text)) {
    const CodeID code = AjouterUnPrenom(word, individu, sexe, codes, griot);
    if (code == 0) continue;
    if (first == 0) first = code;
    last = code;
  }
  if (usuelSiAucun && first != 0 && individu != 0 && liens_ != nullptr && liens_->GetUsuel(individu) == 0)
    liens_->SetUsuel(individu, first);
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
  for (const AnsiString& raw : PrenomsDe(text)) {
    const AnsiString word = FirstUpperWithGriot(raw, this);
    const CodeID code = AjouterUnPrenom(word, individu, sexe, codes, false);
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

namespace {

// The first names of a text, accent-free and in upper case, joined by one
// space.
AnsiString FormeComparee(const AnsiString& text) {
  AnsiString joined;
  int position = 1;
  while (true) {
    const AnsiString word = TGTablePrenoms::ExtraitPrenomSuivant(text, position);
    if (word.empty()) break;
    if (!joined.empty()) joined += ' ';
    joined += EnleveAccentsEtUpperCase(word);
  }
  return joined;
}

}  // namespace

bool TGTablePrenoms::MonPrenomCommencePar(const AnsiString& prenoms, const AnsiString& debut) {
  const AnsiString wanted = FormeComparee(debut);
  const AnsiString text = FormeComparee(prenoms);
  return text.compare(0, wanted.size(), wanted) == 0;
}

bool TGTablePrenoms::MettreAJourPrenomDansChampIndividu(CodeID individu, const AnsiString& ancien,
                                                        const AnsiString& nouveau) {
  const AnsiString from = AnsiTrim(ancien);
  const AnsiString to = AnsiTrim(nouveau);
  AnsiString field;
  if (individus_ == nullptr || individu == 0 || from.empty() || to.empty() ||
      !individus_->LitTexte(individu, IIndividusDictionnaires::kPrenoms, field))
    return false;
  // Rebuilt word by word: the delimiters between the words stay as typed.
  AnsiString rebuilt;
  bool changed = false;
  std::size_t position = 0;
  std::size_t start = 0, length = 0;
  std::size_t kept = 0;  // bytes of `field` already handled
  while (NextPrenom(field, position, start, length)) {
    rebuilt.append(field, kept, start - kept);
    const AnsiString word = field.substr(start, length);
    if (CompareTextLocale(word, from, true) == 0 && word != to) {
      rebuilt += to;
      changed = true;
    } else {
      rebuilt += word;
    }
    kept = start + length;
  }
  rebuilt.append(field, kept, AnsiString::npos);
  if (!changed) return false;
  return individus_->EcritTexte(individu, IIndividusDictionnaires::kPrenoms, rebuilt);
}

int TGTablePrenoms::RemplacePrenomIndividu(CodeID ancien, CodeID nouveau, CodeID individu) {
  if (liens_ == nullptr || ancien == 0 || nouveau == 0 || ancien == nouveau) return 0;
  if (StoreItemOf(*this, ancien) == 0 || StoreItemOf(*this, nouveau) == 0) return 0;
  std::vector<CodeID> individus;
  if (individu != 0) {
    individus.push_back(individu);
  } else {
    LArray linked(4, nullptr, false);
    liens_->GetIndis(ancien, &linked);
    for (int i = 1; i <= static_cast<int>(linked.GetCount()); ++i)
      individus.push_back(ItemWord(linked.GetItemPtr(i), 0));
  }
  const AnsiString from = TexteDe(ancien);
  const AnsiString to = TexteDe(nouveau);
  int changed = 0;
  for (CodeID indi : individus) {
    bool linked = false;
    LArray prenoms(4, nullptr, false);
    liens_->GetPrenoms(indi, &prenoms);
    for (int i = 1; i <= static_cast<int>(prenoms.GetCount()) && !linked; ++i)
      linked = ItemWord(prenoms.GetItemPtr(i), 0) == ancien;
    const bool fieldChanged = MettreAJourPrenomDansChampIndividu(indi, from, to);
    if (!linked && !fieldChanged) continue;
    if (linked) {
      // Rewriting a link clears its flag: a new first name the individual
      // already had as usual stays usual.
      const bool usuel = liens_->EstUsuel(indi, ancien) || liens_->EstUsuel(indi, nouveau);
      liens_->SupprLiensDeuxCodes(indi, ancien);
      liens_->AjouteLien(indi, nouveau, false);
      if (usuel) liens_->SetUsuel(indi, nouveau);
    }
    ++changed;
  }
  return changed;
}

void TGTablePrenoms::GetListePrenoms(CodeID individu, std::vector<AnsiString>& out) {
  if (liens_ == nullptr || individu == 0) return;
  const CodeID usuel = liens_->GetUsuel(individu);
  if (usuel != 0) out.push_back(TexteDe(usuel));
  LArray codes(4, nullptr, false);
  liens_->GetPrenoms(individu, &codes);
  for (int i = 1; i <= static_cast<int>(codes.GetCount()); ++i) {
    const CodeID code = ItemWord(codes.GetItemPtr(i), 0);
    if (code != usuel) out.push_back(TexteDe(code));
  }
}

bool TGTablePrenoms::AjouterLienPrenomAvecUsuel(CodeID individu, CodeID prenom, bool usuel) {
  if (liens_ == nullptr || individu == 0 || prenom == 0 || StoreItemOf(*this, prenom) == 0) return false;
  // Linking again never demotes the usual first name.
  if (liens_->EstUsuel(individu, prenom)) return true;
  liens_->AjouteLien(individu, prenom, false);
  if (usuel) liens_->SetUsuel(individu, prenom);
  return true;
}

}  // namespace genvora
