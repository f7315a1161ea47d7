#include "records/TGIndividu.h"

#include <string>
#include <vector>

#include "platform/Preferences.h"
#include "platform/Resources.h"
#include "platform/System.h"
#include "records/RecordLayout.h"
#include "utilities/TextUtils.h"

namespace genvora {

namespace {

constexpr std::size_t kBaseUserTexts = 10;

// Characters that end a first name.
constexpr std::string_view kDelimiters = ", ;\"()?<>.";

bool IsDelimiter(char c) { return kDelimiters.find(c) != std::string_view::npos; }

AnsiString FirstWord(std::string_view text) {
  const AnsiString trimmed = AnsiTrim(text);
  std::size_t start = 0;
  while (start < trimmed.size() && IsDelimiter(trimmed[start])) ++start;
  std::size_t end = start;
  while (end < trimmed.size() && !IsDelimiter(trimmed[end])) ++end;
  return trimmed.substr(start, end - start);
}

// The initial of a first name: its first character and, after each inner
// separator, the separator and the next letter ("Jean-Pierre" gives "J-P.").
AnsiString Initiale(std::string_view word) {
  if (word.empty()) return {};
  AnsiString out(1, word[0]);
  for (std::size_t p = 1; p + 1 < word.size(); ++p) {
    if (!AnsiIsAlnum(word[p])) {
      out += word[p];
      out += word[p + 1];
    }
  }
  out += '.';
  return out;
}

// First names as words; a part between double quotes is one word.
std::vector<AnsiString> PrenomWords(std::string_view text) {
  std::vector<AnsiString> words;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '"') {
      const std::size_t close = text.find('"', i + 1);
      const std::size_t end = close == std::string_view::npos ? text.size() : close;
      const AnsiString quoted = AnsiTrim(text.substr(i + 1, end - i - 1));
      if (!quoted.empty()) words.push_back(quoted);
      i = end == text.size() ? end : end + 1;
      continue;
    }
    if (IsDelimiter(text[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && !IsDelimiter(text[end])) ++end;
    words.emplace_back(text.substr(i, end - i));
    i = end;
  }
  return words;
}

const char* LinkKind(std::uint8_t type) {
  static const char* const kKinds[] = {nullptr,  "AIEUL",   "AMI",     "BEAUFRERE", "BEAUPERE", "CONSANGUIN",
                                       "COUSIN", "DOUBLON", "FRERE",   "JUMEAU",    "HERITIER", "ONCLE",
                                       "PARENT", "RECONNU", "TUTEUR",  "AUTRE",     "PARENT_ADOPTIF",
                                       "PARENT_BIOLOGIQUE"};
  return type < std::size(kKinds) ? kKinds[type] : nullptr;
}

}  // namespace

TGIndividu::TGIndividu() { EndInit(); }

void TGIndividu::EndInit() {
  f_ = Fields{};
  options_ = 0;
}

void TGIndividu::zeroMemory() {
  const bool exportable = f_.root.exportable;
  f_ = Fields{};
  f_.root.exportable = exportable;
  f_.sexe.assign(1, '?');
}

template <class W, class F>
void TGIndividu::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.U32(f.codePere);
  w.U32(f.codeMere);
  w.U32(f.codeNom);
  w.U32(f.codeAdresse);
  w.Text(f.prenoms);
  w.Text(f.professions);
  // The sex is one character; a longer text (damage, or a hand-edited file)
  // keeps its first character instead of overflowing a fixed buffer.
  w.Text(f.sexe, 1);
  w.Text(f.note);
  w.Text(f.numero);
  for (std::size_t i = 0; i < kBaseUserTexts; ++i) w.Text(f.user[i]);
  w.U8(f.chercheNaissance);
  w.U8(f.chercheDeces);
  w.U8(f.citation);
  w.U8(f.descendance);
  w.U8(f.signature);
  w.U8(f.filiation);
  w.U8(f.marque);
  w.U16(f.switches);
  w.U8(f.confidentiel);
  w.Text(f.suffixe);
  w.Text(f.alias);
  w.Text(f.titre);
  w.Bool(f.root.griot);
  w.Bool(f.root.exportable);
  if (!w.Group()) return;  // group 2
  w.Bool(f.complet);
  w.Bool(f.horsControle);
  w.Bool(f.noteFlag);
  if (!w.Group()) return;  // group 3
  w.U8(f.secondaire);
  w.Text(f.prefixe);
  w.U8(f.sansAlliance);
  if (!w.Group()) return;  // group 4
  for (std::size_t i = kBaseUserTexts; i < f.user.size(); ++i) w.Text(f.user[i]);
  if (!w.Group()) return;  // group 5
  w.F64(f.stampCreation);
  w.F64(f.stampModification);
}

std::uint32_t TGIndividu::GetDataSize() const { return LayoutSize(f_); }
void TGIndividu::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TGIndividu::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
  if (EndOfRecord(r)) f_ = std::move(f);
}

const AnsiString* TGIndividu::TextOfSelector(int selector) const {
  return const_cast<TGIndividu*>(this)->TextOfSelector(selector);
}

AnsiString* TGIndividu::TextOfSelector(int selector) {
  switch (selector) {
    case 5: return &f_.prenoms;
    case 6: return &f_.professions;
    case 7: return &f_.suffixe;
    case 8: return &f_.alias;
    case 9: return &f_.titre;
    case 10: return &f_.sexe;
    case 11: return &f_.note;
    case 12: return &f_.numero;
    default:
      if (selector >= 13 && selector <= 25) return &f_.user[static_cast<std::size_t>(selector - 13)];
      return nullptr;
  }
}

std::uint8_t* TGIndividu::FlagOfSelector(int selector) {
  switch (selector) {
    case 26: return &f_.chercheNaissance;
    case 27: return &f_.chercheDeces;
    case 28: return &f_.citation;
    case 29: return &f_.descendance;
    case 30: return &f_.signature;
    case 31: return &f_.filiation;
    case 32: return &f_.marque;
    case 33: return &f_.confidentiel;
    default: return nullptr;
  }
}

AnsiString TGIndividu::GetChar(int selector) const {
  if (selector == 5) return PrenomsAffiches();
  const AnsiString* text = TextOfSelector(selector);
  return text != nullptr ? *text : AnsiString();
}

void TGIndividu::SetChar(int selector, const AnsiString& value) {
  AnsiString* text = TextOfSelector(selector);
  if (text == nullptr) return;
  *text = AnsiTrim(value);
  if (selector == 10 && text->size() > 1) text->resize(1);
}

bool TGIndividu::GetBool(int selector) const {
  const std::uint8_t* flag = const_cast<TGIndividu*>(this)->FlagOfSelector(selector);
  return flag != nullptr && *flag != 0;
}

void TGIndividu::SetBool(int selector, bool value) {
  if (std::uint8_t* flag = FlagOfSelector(selector)) *flag = value ? 1 : 0;
}

AnsiString TGIndividu::GetUserFieldValue(int i) const {
  if (i < 0 || i > 12) return {};
  return f_.user[static_cast<std::size_t>(i)];
}

void TGIndividu::SetUserFieldValue(int i, const AnsiString& value) {
  if (i < 0 || i > 12) return;
  f_.user[static_cast<std::size_t>(i)] = value;
}

bool TGIndividu::MeResteQueDesDelimiters(const AnsiString& s) {
  for (char c : s) {
    if (!IsDelimiter(c)) return false;
  }
  return true;
}

AnsiString TGIndividu::PrenomsAffiches() const {
  AnsiString shown;
  if ((options_ & kOptPremierPrenom) != 0) {
    shown = FirstWord(f_.prenoms);
  } else if ((options_ & kOptInitiales) != 0) {
    const std::vector<AnsiString> words = PrenomWords(f_.prenoms);
    for (std::size_t i = 0; i < words.size(); ++i) {
      if (i == 0) {
        shown = words[0];
      } else if (!MeResteQueDesDelimiters(words[i])) {
        shown += ' ';
        shown += Initiale(words[i]);
      }
    }
  } else if ((options_ & kOptPrenomUsuel) != 0) {
    const std::size_t first = f_.prenoms.find('"');
    const std::size_t last = f_.prenoms.rfind('"');
    shown = first != AnsiString::npos && last != first ? AnsiTrim(f_.prenoms.substr(first + 1, last - first - 1))
                                                       : FirstWord(f_.prenoms);
  } else {
    shown = f_.prenoms;
  }
  const TPreferenceGenvora5* prefs = SharedPrefs();
  if (prefs != nullptr && prefs->ConvertirTextes) shown = prefs->ConvertText(shown);
  return shown;
}

AnsiString TGIndividu::GetText() const {
  AnsiString line;
  if ((options_ & kOptPrenoms) != 0) line += PrenomsAffiches();
  if ((options_ & kOptProfessions) != 0) {
    if (!line.empty()) line += ' ';
    if ((options_ & kOptProfessionsParentheses) != 0) {
      line += '(';
      line += f_.professions;
      line += ')';
    } else {
      line += f_.professions;
    }
  }
  return line;
}

double TGIndividu::GetDateModification() const {
  return f_.stampModification != 0.0 ? f_.stampModification : static_cast<double>(f_.root.dateModification);
}

AnsiString TGIndividu::GetDateChaine(int which) const {
  const double stamp = GetPreciseStamp(which == 0 ? 0 : 1);
  if (stamp != 0.0) return FormatSerial(stamp, true);
  return TGRoot::GetDateChaine(which);
}

void TGIndividu::SetCreatedNow() {
  f_.stampCreation = NowDateTime();
  SetDateLT(0, TodaySerial());
}

void TGIndividu::SetModifyNow() {
  f_.stampModification = NowDateTime();
  SetDateLT(1, TodaySerial());
}

AnsiString TGIndividu::LinkWording(std::uint8_t type, bool redac, bool sens1) const {
  const char* kind = LinkKind(type);
  if (kind == nullptr) return {};
  std::string key = "Rechercheliens.TYPE_";
  if (redac) key += "REDAC_";
  key += kind;
  key += sens1 ? "_SENS1" : "_SENS2";
  key += f_.sexe == "f" ? "_FEM" : "_MASC";
  return LoadResString(key);
}

AnsiString TGIndividu::LienIndiIndiSens1(std::uint8_t type) const { return LinkWording(type, false, true); }
AnsiString TGIndividu::LienIndiIndiSens2(std::uint8_t type) const { return LinkWording(type, false, false); }
AnsiString TGIndividu::LienIndiIndiSens1Redac(std::uint8_t type) const { return LinkWording(type, true, true); }
AnsiString TGIndividu::LienIndiIndiSens2Redac(std::uint8_t type) const { return LinkWording(type, true, false); }

void TGIndividu::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* otherIndividu = dynamic_cast<TGIndividu*>(other)) {
    Fusionne(otherIndividu, codes);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TGIndividu::Fusionne(TGIndividu* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  const Fields& o = other->f_;
  TGRoot::Fusionne(other, codes);
  for (std::size_t i = 0; i < f_.user.size(); ++i) {
    if (f_.user[i].empty()) f_.user[i] = o.user[i];
  }
  if (f_.chercheDeces == 0) f_.chercheDeces = o.chercheDeces;
  if (f_.chercheNaissance == 0) f_.chercheNaissance = o.chercheNaissance;
  if (f_.citation == 0) f_.citation = o.citation;
  if (f_.codeAdresse == 0) f_.codeAdresse = Translate(codes, o.codeAdresse);
  if (f_.codeMere == 0) f_.codeMere = Translate(codes, o.codeMere);
  if (f_.codePere == 0) f_.codePere = Translate(codes, o.codePere);
  if (f_.codeNom == 0) f_.codeNom = Translate(codes, o.codeNom);
  if (f_.confidentiel == 0) f_.confidentiel = o.confidentiel;
  if (f_.descendance == 0) f_.descendance = o.descendance;
  if (f_.numero.empty()) f_.numero = o.numero;
  // The first names are taken as stored: the other object's display options
  // and text conversion must not be written into the data.
  if (f_.prenoms.empty()) f_.prenoms = o.prenoms;
  if (f_.professions.empty()) f_.professions = o.professions;
  if (f_.sexe.empty()) f_.sexe = o.sexe;
  if (f_.marque == 0) f_.marque = o.marque;
  if (f_.secondaire == 0) f_.secondaire = o.secondaire;
  if (f_.prefixe.empty()) f_.prefixe = o.prefixe;
  if (f_.sansAlliance == 0) f_.sansAlliance = o.sansAlliance;
}

}  // namespace genvora
