#include "computations/TFullRoot.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "computations/TGDatabaseParenteSource.h"
#include "containers/CodeList.h"
#include "database/TGDatabase.h"
#include "platform/Exception.h"
#include "platform/Host.h"
#include "platform/Preferences.h"
#include "platform/Resources.h"
#include "records/TGEvenement.h"
#include "records/TGLienRoot.h"
#include "records/TGMedia.h"
#include "tables/TGTableDocuments.h"
#include "tables/TGTableEvenements.h"
#include "tables/TGTableIndividus.h"
#include "tables/TGTableMedias.h"
#include "tables/TGTableUnion.h"

namespace genvora {

namespace {

void Refill(LArray* list, const std::vector<CodeID>& codes) {
  list->Flush();
  for (CodeID code : codes) list->AddItem(&code, sizeof code);
}

}  // namespace

int OrdreDeTriType(std::uint32_t type) {
  switch (type) {
    case 4: return 1;
    case 8: return 2;
    case 1: return 3;
    case 2: return 4;
    case 3: return 5;
    case 5: return 6;
    case 27: return 7;
    case 56: return 10;
    case 58: return 11;
    case 59: return 12;
    case 69: return 13;
    case 61: return 14;
    case 68: return 15;
    case 26: return 30;
    case 21: return 31;
    case 12: return 32;
    case 35: return 33;
    case 6: return 34;
    case 65: return 41;
    case 67: return 42;
    case 54: return 43;
    default: return 20;
  }
}

// ------------------------------------------------------------------ TFullRoot

TFullRoot::TFullRoot()
    : Prefs(SharedPrefs()), medias_(4, nullptr, false), liens_(4, nullptr, false) {}

TFullRoot::~TFullRoot() = default;

void TFullRoot::SetFiler(TGDatabase* database) {
  if (database == filer_) return;
  filer_ = database;
  parente_.reset();
}

AnsiString TFullRoot::GetText() const { return std::to_string(codeID_); }

void TFullRoot::Notification(const void* removed) {
  if (removed == nullptr) return;
  if (removed == Prefs) Prefs = nullptr;
  if (removed == filer_) SetFiler(nullptr);
}

TGDatabaseParente& TFullRoot::Parente() {
  if (parente_ == nullptr) parente_ = std::make_unique<TGDatabaseParente>(*filer_);
  return *parente_;
}

void TFullRoot::Vide() {
  medias_.Flush();
  liens_.Flush();
  mediasLoaded_ = liensLoaded_ = false;
  premierMedia_ = 0;
}

void TFullRoot::ChargeLesTables() {
  if (codeID_ == 0) return;
  mediasLoaded_ = liensLoaded_ = false;
}

LArray* TFullRoot::GetTableMedias() {
  if (!mediasLoaded_) {
    mediasLoaded_ = true;
    ChargeMedia();
  }
  return &medias_;
}

LArray* TFullRoot::GetTableLiens() {
  if (!liensLoaded_) {
    liensLoaded_ = true;
    ChargeLiens();
  }
  return &liens_;
}

CodeID TFullRoot::GetPremierMedia() {
  GetTableMedias();
  return premierMedia_;
}

void TFullRoot::ChargeMedia() {
  medias_.Flush();
  premierMedia_ = 0;
  if (filer_ == nullptr || codeID_ == 0) return;
  TGTableLiensMedias* liens = filer_->Tables().MediaLiens();
  TGTableMedias* medias = filer_->Tables().medias;
  struct Kept {
    double key;
    CodeID media;
    bool picture;
    bool main;
  };
  std::vector<Kept> kept;
  for (CodeID linkCode : liens->LiensDe(codeID_)) {
    TGLienMedia link;
    if (!link.LitDans(linkCode, liens)) continue;
    TGMedia media;
    if (!media.LitDans(link.GetXREFMedia(), medias)) continue;
    if (FiltreMedia == 1 && !media.Exportable()) continue;
    if (FiltreMedia == 2 && !media.Publiable()) continue;
    kept.push_back({media.GetDate()->GetDateTriDouble(false), link.GetXREFMedia(), media.IsFilenameIsAnImage(),
                    link.GetMediaPrincipal()});
  }
  std::stable_sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.key < b.key; });
  // The first media shown for the record: a picture the user marked as the
  // main one, else the earliest picture.
  for (const Kept& k : kept) {
    medias_.AddItem(&k.media, sizeof k.media);
    if (k.picture && k.main && premierMedia_ == 0) premierMedia_ = k.media;
  }
  if (premierMedia_ == 0) {
    for (const Kept& k : kept) {
      if (k.picture) {
        premierMedia_ = k.media;
        break;
      }
    }
  }
}

void TFullRoot::ChargeLiens() {
  liens_.Flush();
  if (filer_ == nullptr || codeID_ == 0) return;
  std::vector<CodeID> links;
  TGDatabaseParenteSource(*filer_).LesLiensDe(codeID_, links, TypeLiens);
  Refill(&liens_, links);
  TrierCetteTableIndiParAlpha(&liens_);
}

void TFullRoot::TrierCetteTableIndiParAlpha(LArray* list) {
  if (list == nullptr || filer_ == nullptr || list->GetCount() < 2) return;
  std::vector<CodeID> codes = ItemsOf(*list);
  const TGTableIndividus& individus = *filer_->Tables().individus;
  if (!filer_->EstIndividu(codes.front())) return;
  std::stable_sort(codes.begin(), codes.end(),
                   [&](CodeID a, CodeID b) { return individus.AlphaCompareIndividus(a, b, false) < 0; });
  Refill(list, codes);
}

void TFullRoot::SomethingGoesWrong(const AnsiString& what) {
  const AnsiString message = AnsiString(kUnreadable) + ": " + what;
  // Without a database there is no latch to keep: every failure is told.
  if (filer_ == nullptr) throw EGenvoraError::Plain(message);
  TGDatabase& db = *filer_;
  if (db.Tag != 0) return;
  db.Tag = kErrorLatch;
  const bool saves = Host().SavesFiles() && !db.ReadOnly;
  const AnsiString caption = LoadResString("G6str.ErrorMSGG200100");
  if (saves && db.FichierModifie) {
    AnsiString text;
    for (const char* key : {"G6str.ErrorMSGG200105", "G6str.ErrorMSGG200104", "G6str.ErrorMSGG200103",
                            "G6str.ErrorMSGG200102", "G6str.ErrorMSGG200101"}) {
      if (!text.empty()) text += '\n';
      text += LoadResString(key);
    }
    if (ShowMessage(text, caption, MsgButtons::YesNo, MsgKind::Warning) == MsgAnswer::Yes) db.FichierFermer(true);
  } else {
    ShowMessage(LoadResString("G6str.ErrorMSGG200111") + "\n" + LoadResString("G6str.ErrorMSGG200101"), caption,
                MsgButtons::Ok, MsgKind::Warning);
  }
  // Tagging writes the file's check request: only a host that saves may.
  if (saves && db.FichierOuvert) db.TagFile(true);
  throw EGenvoraError::Plain(message);
}

bool TFullRoot::LoadEvent(CodeID code, TGEvenement& out) const {
  if (filer_ == nullptr || code == 0) return false;
  return out.LitDans(code, filer_->Tables().evenements);
}

std::int64_t TFullRoot::CleEvenement(CodeID event) const {
  TGEvenement record;
  if (!LoadEvent(event, record)) return 0;
  return static_cast<std::int64_t>(std::trunc(record.GetDate()->GetDateTriDouble(false)));
}

CodeID TFullRoot::PremierDuType(const LArray& events, std::uint32_t type) const {
  const int count = static_cast<int>(events.GetCount());
  for (int i = 1; i <= count; ++i) {
    CodeID code = 0;
    events.FetchItemAt(i, &code);
    TGEvenement record;
    if (LoadEvent(code, record) && static_cast<std::uint32_t>(record.GetType()) == type) return code;
  }
  return 0;
}

CodeID TFullRoot::PremierParmi(const LArray& events, std::initializer_list<std::uint32_t> types) const {
  // The first event of each type, with whether it is dated and placed; each
  // event of the list is read once.
  struct Trouve {
    CodeID code = 0;
    bool date = false;
    bool lieu = false;
  };
  std::vector<Trouve> found(types.size());
  std::size_t left = types.size();
  const int count = static_cast<int>(events.GetCount());
  for (int i = 1; i <= count && left != 0; ++i) {
    CodeID code = 0;
    events.FetchItemAt(i, &code);
    TGEvenement record;
    if (!LoadEvent(code, record)) continue;
    const auto type = static_cast<std::uint32_t>(record.GetType());
    std::size_t k = 0;
    for (std::uint32_t wanted : types) {
      if (wanted == type && found[k].code == 0) {
        found[k] = {code, !record.GetDate()->EstVide(), record.GetDicoLieu() != 0};
        --left;
        break;
      }
      ++k;
    }
  }
  for (const Trouve& t : found)
    if (t.date) return t.code;
  for (const Trouve& t : found)
    if (t.lieu) return t.code;
  for (const Trouve& t : found)
    if (t.code != 0) return t.code;
  return 0;
}

void TFullRoot::EvenementsDe(CodeID owner, LArray* out) {
  out->Flush();
  if (filer_ == nullptr || owner == 0) return;
  filer_->Tables().evenements->LesEvenementsDe(owner, out);
}

void TFullRoot::TrierCetteTable(LArray* list) {
  if (SortedList) OrdonneTable(list);
}

void TFullRoot::OrdonneTable(LArray* list) {
  if (list == nullptr || list->GetCount() < 2 || filer_ == nullptr) return;
  std::vector<CodeID> codes = ItemsOf(*list);
  const CodeID first = codes.front();
  enum class Kind { Individual, Union, Event } kind;
  if (filer_->EstIndividu(first)) {
    kind = Kind::Individual;
  } else if (filer_->EstUnion(first)) {
    kind = Kind::Union;
  } else if (filer_->EstEvenement(first)) {
    kind = Kind::Event;
  } else {
    return;
  }
  // An entry's events are ordered the way its own full record orders them,
  // so that its arrival or start is the one its record shows.
  LArray events(4, nullptr, false);
  std::vector<std::pair<std::int64_t, CodeID>> pairs;
  pairs.reserve(codes.size());
  for (CodeID code : codes) {
    CodeID event = code;
    if (kind != Kind::Event) {
      EvenementsDe(code, &events);
      OrdonneEvenements(&events);
      event = kind == Kind::Individual ? PremierParmi(events, {kFullNaissance, kFullBapteme}) : DebutParmi(events);
    }
    pairs.emplace_back(CleEvenement(event), code);
  }
  std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) {
    if (a.first > 0 && b.first > 0) return a.first < b.first;
    if (a.first > 0 || b.first > 0) return a.first > 0;
    return a.second < b.second;
  });
  for (std::size_t i = 0; i < pairs.size(); ++i) codes[i] = pairs[i].second;
  Refill(list, codes);
}

// --------------------------------------------------------- TFullWithEvenement

LArray* TFullWithEvenement::GetTableEvenements() {
  if (!evenementsLoaded_) {
    evenementsLoaded_ = true;
    ChargeEvenements();
  }
  return &evenements_;
}

void TFullWithEvenement::ChargeEvenements() {
  EvenementsDe(codeID_, &evenements_);
  TrierEvenements(&evenements_);
}

void TFullWithEvenement::ChargeLesTables() {
  TFullRoot::ChargeLesTables();
  if (codeID_ != 0) evenementsLoaded_ = false;
}

void TFullWithEvenement::Vide() {
  TFullRoot::Vide();
  evenements_.Flush();
  evenementsLoaded_ = false;
}

CodeID TFullWithEvenement::GetCetEvenement(std::uint32_t type) { return PremierDuType(*GetTableEvenements(), type); }

bool TFullWithEvenement::EvenementAvecDate(CodeID event) const {
  TGEvenement record;
  return LoadEvent(event, record) && !record.GetDate()->EstVide();
}

bool TFullWithEvenement::EvenementAvecLieu(CodeID event) const {
  TGEvenement record;
  return LoadEvent(event, record) && record.GetDicoLieu() != 0;
}

bool TFullWithEvenement::RechercheActe() {
  if (filer_ == nullptr) return false;
  for (CodeID code : ItemsOf(*GetTableEvenements())) {
    TGEvenement record;
    if (LoadEvent(code, record) && record.GetRechercheActe() == 1) return true;
  }
  return false;
}

void TFullWithEvenement::TrierEvenements(LArray* list) {
  if (!SortedList || list == nullptr || list->GetCount() == 0 || filer_ == nullptr) return;
  OrdonneEvenements(list);
}

void TFullRoot::OrdonneEvenements(LArray* list) const {
  struct Entry {
    double key = 0;
    int day = 0, month = 0, year = 0;
    std::uint32_t type = kFullIllisible;
    CodeID code = 0;
    bool Dated() const { return key != 0; }
  };
  std::vector<Entry> ordered;
  for (CodeID code : ItemsOf(*list)) {
    Entry e;
    e.code = code;
    TGEvenement record;
    if (LoadEvent(code, record)) {
      e.type = static_cast<std::uint32_t>(record.GetType());
      TGDate* date = record.GetDate();
      e.key = date->GetDateTriDouble(false);
      const int calendar = date->GetCalendarIndex(false);
      if (e.key != 0 && (calendar == 1 || calendar == 3)) {
        TGDate gregorian;
        date->EnGregorien(&gregorian);
        e.day = gregorian.GetDay(false);
        e.month = gregorian.GetMonth(false);
        e.year = gregorian.GetYear(false);
      } else {
        e.day = date->GetDay(false);
        e.month = date->GetMonth(false);
        e.year = date->GetYear(false);
      }
    }
    const auto samePeriod = [&e](const Entry& x) {
      if (e.year != x.year) return false;
      if (e.month == x.month && e.day == x.day) return true;
      if (e.month == x.month && (e.day == 0 || x.day == 0)) return true;
      return (e.day == 0 && e.month == 0) || (x.day == 0 && x.month == 0);
    };
    const auto goesBefore = [&](const Entry& x) {
      if (e.type == kFullNaissance && !e.Dated()) return true;
      if (e.type == kFullBapteme && !e.Dated() && x.type != kFullNaissance) return true;
      if (e.Dated() && !x.Dated() && x.type != kFullNaissance && x.type != kFullBapteme) return true;
      if (e.Dated() && x.key > e.key) return true;
      if (!e.Dated() && x.Dated() && e.type != kFullInhumation && (x.type == kFullDeces || x.type == kFullInhumation))
        return true;
      if (e.key == x.key) {
        const int re = OrdreDeTriType(e.type), rx = OrdreDeTriType(x.type);
        if (re < rx || (re == rx && e.code < x.code)) return true;
      }
      if (samePeriod(x)) {
        if (e.type == kFullNaissance) return true;
        if (e.type == kFullBapteme && x.type != kFullNaissance) return true;
        if (x.type == kFullInhumation) return true;
        if (x.type == kFullDeces && e.type != kFullInhumation) return true;
      }
      return false;
    };
    auto at = std::find_if(ordered.begin(), ordered.end(), goesBefore);
    ordered.insert(at, e);
  }
  std::vector<CodeID> codes;
  codes.reserve(ordered.size());
  for (const Entry& e : ordered) codes.push_back(e.code);
  Refill(list, codes);
}

// ----------------------------------------------------- TFullWithEventAndChild

LArray* TFullWithEventAndChild::GetTableEnfants() {
  if (!enfantsLoaded_) {
    enfantsLoaded_ = true;
    ChargeEnfants();
  }
  return &enfants_;
}

void TFullWithEventAndChild::ChargeLesTables() {
  TFullWithEvenement::ChargeLesTables();
  if (codeID_ != 0) enfantsLoaded_ = false;
}

void TFullWithEventAndChild::Vide() {
  TFullWithEvenement::Vide();
  enfants_.Flush();
  enfantsLoaded_ = false;
}

// ------------------------------------------------------------- TFullEvenement

TFullEvenement::TFullEvenement() : evenement_(std::make_unique<TGEvenement>()), documents_(4, nullptr, false) {}

TFullEvenement::TFullEvenement(TGDatabase* database, CodeID code) : TFullEvenement() {
  SetFiler(database);
  SetCodeID(code);
}

TFullEvenement::~TFullEvenement() = default;

void TFullEvenement::Vide() {
  TFullRoot::Vide();
  evenement_->zeroMemory();
  documents_.Flush();
  documentsLoaded_ = false;
}

void TFullEvenement::SetCodeID(CodeID code) {
  Vide();
  codeID_ = 0;
  if (code == 0) return;
  const std::string what = "event " + std::to_string(code);
  if (filer_ == nullptr || !filer_->FichierOuvert || !filer_->EstEvenement(code)) {
    SomethingGoesWrong(what + ": no such event");
    return;
  }
  if (!evenement_->LitDans(code, filer_->Tables().evenements)) {
    evenement_->zeroMemory();
    SomethingGoesWrong(what + ": " + evenement_->LastDamage());
    return;
  }
  codeID_ = code;
  ChargeLesTables();
}

AnsiString TFullEvenement::GetText() const { return codeID_ == 0 ? AnsiString() : evenement_->GetTypeStr(); }

LArray* TFullEvenement::GetTableDocuments() {
  if (!documentsLoaded_) {
    documentsLoaded_ = true;
    ChargeDocument();
  }
  return &documents_;
}

void TFullEvenement::ChargeDocument() {
  documents_.Flush();
  if (filer_ == nullptr || codeID_ == 0) return;
  filer_->Tables().DocumentLiens()->DocumentDe(codeID_, &documents_);
}

}  // namespace genvora
