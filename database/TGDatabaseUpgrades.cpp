// The format upgrades: the records of an older generation rewritten in
// memory, generation by generation, right after a successful read, so that
// a save in the current layout keeps everything the user typed.
//
//   generation | what changes
//   -----------+-----------------------------------------------------------
//   12         | record notes into the note table; first names and
//              | professions into their dictionaries; surname index rebuilt
//   13         | media notes, main media, nature of documents, self-attached
//              | surnames, old link types, union type 4
//   14         | a new file GUID; notes of the older layout normalised
//   15         | media files to copy into the bundle, picture thumbnails
//
// Nothing here writes to disk. The media work is queued (pendingMedia_) and
// done by the save, in the folder of the file being saved.
//
// Progress step codes, as the host reads them:
//   1 notes to the table, 2 first names and professions, 3 surnames,
//   4 media, 5 notes, 6 documents, 7 surnames, 8 links, 9 notes (14),
//   10 media copy (15), 11 end of 13.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <new>
#include <set>
#include <unordered_map>

#include "database/TGDatabase.h"
#include "containers/CodeList.h"
#include "platform/Exception.h"
#include "platform/Graphics.h"
#include "platform/Host.h"
#include "records/TGDocument.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGLienRoot.h"
#include "records/TGLieu.h"
#include "records/TGMedia.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "records/TVGNote.h"
#include "records/TVGPrenom.h"
#include "records/TVGProfession.h"
#include "utilities/FilePaths.h"
#include "utilities/RichText.h"
#include "utilities/TextUtils.h"

namespace genvora {

namespace {

const char* StepName(std::uint8_t step) {
  switch (step) {
    case 1: return "upgrade: notes";
    case 2: return "upgrade: first names and professions";
    case 3: return "upgrade: surnames";
    case 4: return "upgrade: media";
    case 5: return "upgrade: notes";
    case 6: return "upgrade: sources";
    case 7: return "upgrade: surnames";
    case 8: return "upgrade: links";
    case 9: return "upgrade: notes";
    case 10: return "upgrade: media copy";
    default: return "upgrade";
  }
}

// An upgrade is not a user edit: the stored modification days stay.
template <class Record>
void Quiet(Record& r) {
  r.SetStampOnWrite(false);
}

// A pair of a link table: {a, b} and its usual flag.
struct Pair {
  CodeID a, b;
  std::uint8_t flag;
};

// Adds `added` (each pair and its mirror) to a pair table in one pass:
// inserting a million pairs one by one into the sorted array would move
// its tail each time. Entries of a code in `reset` (sorted) are dropped
// first; a pair already there keeps its flag, and of a pair added twice the
// first flag stays. The table ends sorted by {a, b}, as its comparator
// orders it, and is handed its new block whole.
void MergePairs(TGTableLiensPaires* table, unsigned itemSize, const std::vector<Pair>& added,
                const std::vector<CodeID>& reset) {
  if (added.empty() && reset.empty()) return;
  auto isReset = [&](CodeID code) { return std::binary_search(reset.begin(), reset.end(), code); };
  // Each pair as one word (first code above, second below) beside the
  // order it came in: sorting these orders by pair, the first comer first,
  // with one comparison of words instead of three fields.
  std::vector<std::pair<std::uint64_t, std::uint32_t>> all;
  std::vector<std::uint8_t> flags;  // by order of coming
  ReserveLarge(all, table->GetCount() + 2 * added.size());
  flags.reserve(all.capacity());
  const auto add = [&](CodeID a, CodeID b, std::uint8_t flag) {
    all.emplace_back(static_cast<std::uint64_t>(a) << 32 | b, static_cast<std::uint32_t>(flags.size()));
    flags.push_back(flag);
  };
  for (int i = 1; i <= static_cast<int>(table->GetCount()); ++i) {
    std::uint32_t item[3] = {0, 0, 0};
    if (table->GetItemSize(i) != itemSize || !table->FetchItemAt(i, item)) continue;
    if (!reset.empty() && (isReset(item[0]) || isReset(item[1]))) continue;
    add(item[0], item[1], static_cast<std::uint8_t>(item[2] & 0xFF));
  }
  for (const Pair& p : added) {
    add(p.a, p.b, p.flag);
    add(p.b, p.a, p.flag);
  }
  // Added in the order of coming: a stable sort by pair keeps the first
  // comer first.
  StableRadixSort(all, [](const auto& entry) { return entry.first; });
  all.erase(std::unique(all.begin(), all.end(), [](const auto& x, const auto& y) { return x.first == y.first; }),
            all.end());
  table->Flush();
  if (all.empty()) return;
  const std::size_t bytes = all.size() * itemSize;
  auto* block = static_cast<unsigned char*>(std::calloc(all.size(), itemSize));
  if (block == nullptr) throw std::bad_alloc();
  AdviseLargeBlock(block, bytes);
  for (std::size_t i = 0; i < all.size(); ++i) {
    const std::uint32_t item[3] = {static_cast<std::uint32_t>(all[i].first >> 32),
                                   static_cast<std::uint32_t>(all[i].first), flags[all[i].second]};
    std::memcpy(block + i * itemSize, item, std::min<std::size_t>(itemSize, sizeof item));
  }
  table->SetItemsHandle(block, static_cast<unsigned>(bytes), static_cast<std::int32_t>(all.size()));
}

// Rewrites of many records of one store. Replacing a record by one of
// another size moves every record after it, so a walk that rewrites a
// large share of a big store rebuilds it once instead, in its item order,
// with the same codes. A few rewrites go in place.
class BulkRewrite {
 public:
  explicit BulkRewrite(LXArray* store) : store_(store) {}
  void Put(TGRoot& record, CodeID code) {
    if (record.GetDateLT(0) == 0) record.SetCreatedNow();
    changed_[code] = record.EncodeToString();
  }
  void Apply() {
    if (changed_.empty()) return;
    // In a sound store the rebuild would give back every item where it is,
    // under its code: the store's own rewrites, which lay many of them in
    // with one pass, give the same bytes without rebuilding.
    if (changed_.size() < kInPlace || Sound()) {
      for (const auto& [code, bytes] : changed_)
        store_->EcritData(code, bytes.data(), static_cast<unsigned>(bytes.size()));
      changed_.clear();
      return;
    }
    LArray* list = store_->GetCodeList();
    std::vector<std::pair<std::uint32_t, CodeID>> order;  // item index, code
    order.reserve(list->GetCount());
    for (int i = 1; i <= static_cast<int>(list->GetCount()); ++i) {
      std::uint32_t pair[2] = {0, 0};
      if (list->GetItemSize(i) == LXArray::kPairSize && list->FetchItemAt(i, pair)) order.emplace_back(pair[1], pair[0]);
    }
    std::sort(order.begin(), order.end());
    std::vector<std::pair<CodeID, std::string>> items;
    items.reserve(order.size());
    for (const auto& [index, code] : order) {
      auto found = changed_.find(code);
      if (found != changed_.end()) {
        items.emplace_back(code, std::move(found->second));
        continue;
      }
      int at = static_cast<int>(index);
      if (!store_->ValidIndex(at)) continue;
      const auto* data = static_cast<const char*>(store_->GetItemPtr(at));
      items.emplace_back(code, std::string(data, store_->GetItemSize(at)));
    }
    store_->Flush();
    list->Flush();
    for (const auto& [code, bytes] : items) store_->EcritData(code, bytes.data(), static_cast<unsigned>(bytes.size()));
    changed_.clear();
  }

 private:
  // Every item named by exactly one pair, the codes in strictly increasing
  // order, every pair of the pair size: what the rebuild would not change.
  bool Sound() const {
    const LArray* list = store_->GetCodeList();
    const unsigned count = store_->GetCount();
    if (list == nullptr || list->GetCount() != count) return false;
    std::vector<bool> named(static_cast<std::size_t>(count) + 1, false);
    std::uint32_t previous = 0;
    for (int i = 1; i <= static_cast<int>(count); ++i) {
      std::uint32_t pair[2] = {0, 0};
      if (list->GetItemSize(i) != LXArray::kPairSize || !list->FetchItemAt(i, pair)) return false;
      if (pair[1] < 1 || pair[1] > count || named[pair[1]]) return false;
      if (i > 1 && !CodeWordBefore(previous, pair[0])) return false;
      named[pair[1]] = true;
      previous = pair[0];
    }
    return true;
  }

  static constexpr std::size_t kInPlace = 256;
  LXArray* store_;
  std::map<CodeID, std::string> changed_;
};

}  // namespace

// --- progress

void TGDatabase::SetUpgradeProgress(std::uint8_t step, std::int32_t percent) {
  ProgressStep = step;
  ProgressPercent = percent;
  Progress(StepName(step), percent, 100);
}

void TGDatabase::ProgressCallback(int kind, std::int64_t value, const AnsiString& text) {
  switch (kind) {
    case 0:
      ProgressPercent = 0;
      ProgressTotal = static_cast<std::int32_t>(value);
      break;
    case 1:
      ProgressPercent = ProgressTotal > 0 ? static_cast<std::int32_t>((value * 100 + ProgressTotal / 2) / ProgressTotal) : 0;
      break;
    case 2:
      ProgressText = text;
      ProgressStep = 10;
      break;
    case 3:
      ProgressPercent = 100;
      break;
    default:
      return;
  }
  Progress(StepName(ProgressStep), ProgressPercent, 100);
}

AnsiString TGDatabase::GetDatabaseCurrentDir() {
  if (DatabaseDir.empty()) {
    DatabaseDir = KELGetFilePath(Chemin, false);
    if (!DatabaseDir.empty() && DatabaseDir.back() != '/' && DatabaseDir.back() != '\\') DatabaseDir += '/';
  }
  return DatabaseDir;
}

// --- generation 12

void TGDatabase::MiseAJourG12() {
  NotesMoved = true;
  // Individuals are rewritten by the thousand: their indexes are rebuilt
  // once, by the surname step's Reindex, not entry by entry.
  TGTableIndividus* individus = tables_->individus;
  const bool batch = individus->GetBatchMode();
  individus->SetBatchModeTo(true);
  struct Restore {
    TGTableIndividus* table;
    bool batch;
    ~Restore() { table->SetBatchModeTo(batch); }
  } restore{individus, batch};
  // One walk of the individuals moves their notes to the note table and
  // takes their first names and professions: each record is decoded and
  // rewritten once. Their notes go into the table before the unions' notes,
  // as a walk of their own would put them.
  SetUpgradeProgress(1, 0);
  TraitePrenomsEtProfessionsV12([this](TGIndividu& indi, CodeID code) { return DeplaceNoteIndividu(indi, code); });
  DeplaceNotesDesUnionsEtLieux();
  ProgressStep = 3;
  individus->SetBatchModeTo(batch);
  TraiteNomsV12();
}

// A note already in the table under the same code (a file that had both)
// is kept and the record's text appended to it: neither text is lost.
void TGDatabase::DeplaceNote(CodeID code, const AnsiString& text, bool prive) {
  TVGNote note;
  Quiet(note);
  if (note.LitDans(code, tables_->notes)) {
    if (note.GetNoteRTF() != text) note.AppendNote(text);
  } else {
    note.NewNote(code, text, prive);
  }
  note.EcritDans(code, tables_->notes);
  ++upgradeReport_.notesMoved;
}

bool TGDatabase::DeplaceNoteIndividu(TGIndividu& indi, CodeID code) {
  const AnsiString text = indi.GetChar(11);
  if (text.empty()) return false;
  // A rich text with nothing to read is no note.
  if (!AnsiTrim(ConvertRtfText(text, ConvertRtfActionTo::Text)).empty()) DeplaceNote(code, text, indi.GetNoteFlag());
  indi.SetChar(11, {});
  indi.SetNoteFlag(false);
  return true;
}

void TGDatabase::DeplaceNotesDesUnionsEtLieux() {
  TGDatabaseTables& t = *tables_;
  const std::vector<CodeID> unions = CodesOf(t.unions);
  for (std::size_t i = 0; i < unions.size(); ++i) {
    if (i % 100 == 0) SetUpgradeProgress(1, 25 + static_cast<std::int32_t>((i * 100 / unions.size()) / 4));
    TGUnion u;
    Quiet(u);
    if (!u.LitDans(unions[i], t.unions) || u.GetNoteText().empty()) continue;
    DeplaceNote(unions[i], u.GetNoteText(), u.GetNoteFlag());
    u.SetNoteText({});
    u.SetNoteFlag(false);
    u.EcritDans(unions[i], t.unions);
  }
  // Events, surnames and documents keep no note text in this data model:
  // their bands only report progress.
  SetUpgradeProgress(1, 75);

  // Places are stored again in the current layout, their town as given.
  for (CodeID code : CodesOf(t.dicoLieux)) {
    TGLieu lieu;
    Quiet(lieu);
    if (!lieu.LitDans(code, t.dicoLieux)) continue;
    lieu.EcritDans(code, t.dicoLieux);
    ++upgradeReport_.placesRestored;
  }
  SetUpgradeProgress(1, 100);
}

void TGDatabase::TraitePrenomsEtProfessionsV12(const std::function<bool(TGIndividu&, CodeID)>& avant) {
  TGDatabaseTables& t = *tables_;
  SetUpgradeProgress(2, 0);
  TGDatabaseCodes codes(*this);

  // Every lookup below searches the alphabetical indexes, and every new
  // entry joins them in order: they are first made to match the stores.
  t.prenoms->ReIndex();
  t.professions->ReIndex();

  // The professions as they stand, by comparison form: the pieces of each
  // individual's text are looked up here.
  std::map<AnsiString, CodeID> professions;
  for (CodeID code : CodesOf(t.professions)) {
    TVGProfession p;
    if (p.LitDans(code, t.professions)) professions.emplace(p.GetProfessionUCD(), code);
  }

  std::vector<Pair> prenomLinks;
  std::vector<Pair> professionLinks;
  std::vector<CodeID> professionsReset;  // sorted: individuals come in code order

  // The first name each spelling met so far stands for, with its sex: the
  // dictionary is searched once per spelling, not once per individual.
  struct Known {
    CodeID code;
    sexePrenomT sexe;
  };
  std::unordered_map<AnsiString, Known> prenomDe;
  auto addPrenom = [&](const AnsiString& word, CodeID indi, sexePrenomT sexe, bool griot) {
    auto known = prenomDe.find(word);
    if (known == prenomDe.end()) {
      TVGPrenom p;
      Quiet(p);
      p.SetSexe(sexe);
      p.SetPrenom(word);
      p.SetPrenomUCD(EnleveAccentsEtUpperCase(word));
      p.SetGriot(griot);
      p.SetExportable(true);
      p.SetCreatedNow();
      const std::uint32_t before = t.prenoms->GetCount();
      const CodeID code = t.prenoms->MetAJour(p, &codes, false);
      if (code == 0) return;
      sexePrenomT storedSexe = sexe;
      if (t.prenoms->GetCount() != before) {
        ++upgradeReport_.firstNamesAdded;
      } else {
        TVGPrenom stored;
        if (stored.LitDans(code, t.prenoms)) storedSexe = stored.GetSexe();
      }
      known = prenomDe.emplace(word, Known{code, storedSexe}).first;
    }
    // A first name of unknown sex takes the sex of the first individual of
    // known sex who bears it.
    if (known->second.sexe == kPrenomMixte && sexe != kPrenomMixte) {
      TVGPrenom p;
      Quiet(p);
      if (p.LitDans(known->second.code, t.prenoms)) {
        p.SetSexe(sexe);
        p.EcritDans(known->second.code, t.prenoms);
        known->second.sexe = sexe;
      }
    }
    // A link already there keeps its usual flag.
    prenomLinks.push_back({indi, known->second.code, 0});
    ++upgradeReport_.firstNameLinks;
  };

  auto addProfession = [&](const AnsiString& text, CodeID indi) {
    TVGProfession p;
    Quiet(p);
    p.SetProfession(text);
    p.SetProfessionUCD(EnleveAccentsEtUpperCase(text));
    p.SetExportable(true);
    p.SetCreatedNow();
    const std::uint32_t before = t.professions->GetCount();
    const CodeID code = t.professions->MetAJour(p, &codes, false);
    if (code == 0) return;
    if (t.professions->GetCount() != before) {
      professions.emplace(p.GetProfessionUCD(), code);
      ++upgradeReport_.professionsAdded;
    }
    professionLinks.push_back({indi, code, 0});
    ++upgradeReport_.professionLinks;
  };

  // Each first-name text capitalised and cut into words once: a file holds
  // far fewer texts than people.
  struct Split {
    AnsiString capitalised;
    std::vector<AnsiString> words;
  };
  std::unordered_map<AnsiString, Split> splits;

  const std::vector<CodeID> individus = CodesOf(t.individus);
  BulkRewrite rewrite(t.individus);
  for (std::size_t i = 0; i < individus.size(); ++i) {
    if (i % 100 == 0 && !individus.empty())
      SetUpgradeProgress(2, static_cast<std::int32_t>(i * 100 / individus.size()));
    const CodeID code = individus[i];
    TGIndividu indi;
    Quiet(indi);
    if (!indi.LitDans(code, t.individus)) continue;
    bool changed = avant && avant(indi, code);
    const AnsiString sexe = indi.GetChar(10);
    const sexePrenomT classe = sexe == "m" ? kPrenomMasculin : sexe == "f" ? kPrenomFeminin : kPrenomMixte;

    const AnsiString prenomsText = indi.GetChar(5);
    auto split = splits.find(prenomsText);
    if (split == splits.end()) {
      AnsiString capitalised = AnsiFirstUpper(prenomsText, false, "");
      std::vector<AnsiString> words = TGTablePrenoms::PrenomsDe(capitalised);
      split = splits.emplace(prenomsText, Split{std::move(capitalised), std::move(words)}).first;
    }
    const AnsiString& capitalised = split->second.capitalised;
    if (capitalised != prenomsText) {
      indi.SetChar(5, capitalised);
      changed = true;
      ++upgradeReport_.firstNamesCapitalised;
    }
    for (const AnsiString& word : split->second.words) addPrenom(word, code, classe, indi.GetGriot());

    const AnsiString profText = indi.GetChar(6);
    const AnsiString cleaned = TGTableProfessions::TexteNettoye(profText);
    if (!cleaned.empty()) {
      professionsReset.push_back(code);
      if (cleaned != profText) {
        indi.SetChar(6, cleaned);
        changed = true;
      }
      std::set<CodeID> named;
      for (const AnsiString& piece : TGTableProfessions::MorceauxBornes(EnleveAccentsEtUpperCase(cleaned))) {
        auto found = professions.find(piece);
        if (found != professions.end()) named.insert(found->second);
      }
      for (CodeID pcode : named) {
        professionLinks.push_back({code, pcode, 0});
        ++upgradeReport_.professionLinks;
      }
      // An older file has an empty dictionary: each part of the text between
      // ",", ";" and "/" that no known profession covers becomes one, so
      // the professions typed are not left out of the dictionary.
      if (named.empty()) {
        std::size_t start = 0;
        while (start <= cleaned.size()) {
          std::size_t end = cleaned.find_first_of(",;/", start);
          if (end == AnsiString::npos) end = cleaned.size();
          const AnsiString part = AnsiTrim(cleaned.substr(start, end - start));
          if (!part.empty()) addProfession(part, code);
          start = end + 1;
        }
      }
    }
    if (changed) rewrite.Put(indi, code);
  }
  rewrite.Apply();

  MergePairs(t.liensPrenoms, TGTableLiensPrenoms::kItemSize, prenomLinks, {});
  std::sort(professionsReset.begin(), professionsReset.end());
  MergePairs(t.liensProfessions, TGTableLiensProfessions::kItemSize, professionLinks, professionsReset);
  SetUpgradeProgress(2, 100);
}

void TGDatabase::TraiteNomsV12() {
  TGDatabaseTables& t = *tables_;
  SetUpgradeProgress(3, 0);
  if (LArray* alpha = t.dicoNoms->GetIndexAlpha()) alpha->Flush();
  for (CodeID code : CodesOf(t.dicoNoms)) {
    t.dicoNoms->AddKey(code);
    ++upgradeReport_.surnamesIndexed;
  }
  t.individus->Reindex();
  SetUpgradeProgress(3, 100);
}

// --- generation 13

void TGDatabase::MiseAJourG13() {
  const AnsiString media = GetDatabaseCurrentDir() + "Media/";
  CheckDatabase();
  MAJG13_Medias(media);
  if (!NotesMoved) MAJG13_Notes();
  MAJG13_Sources();
  MAJG13_Noms();
  MAJG13_LiensEtTemoins();
  MAJG13_TypesUnions();
  ProgressStep = 11;
}

void TGDatabase::MAJG13_Medias(const AnsiString& mediaDirectory) {
  TGDatabaseTables& t = *tables_;
  SetUpgradeProgress(4, 0);
  const std::int32_t level = Header.GetMediaLevel();
  const bool rebuild = level != 0 && level != 1;
  Header.SetMediaLevel(TGHeader::kMediaLevelCurrent);

  // `mediaDirectory` is where the bundle would be if the file were saved
  // where it was read; the save decides, so nothing is made there now.
  (void)mediaDirectory;
  const std::vector<CodeID> codes = CodesOf(t.medias);
  std::vector<CodeID> failed;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (i % 20 == 0) SetUpgradeProgress(4, static_cast<std::int32_t>(i * 100 / codes.size()));
    const CodeID code = codes[i];
    TGMedia media;
    Quiet(media);
    try {
      if (!media.LitDans(code, t.medias)) {
        failed.push_back(code);
        continue;
      }
      if (!media.GetNote().empty()) {
        TVGNote note;
        Quiet(note);
        note.NewNote(code, media.GetNote(), false);
        note.EcritDans(code, t.notes);
        media.SetNote({});
        ++upgradeReport_.mediaNotesMoved;
      }
      PendingMedia work{code, false, false};
      if (KELFileExists(media.GetOriginalFullPath())) {
        work.copyOriginal = true;
        ++upgradeReport_.mediaToCopy;
      } else if (rebuild && media.GetGriot() && !media.GetVignette().empty()) {
        work.writeThumbnail = true;
        ++upgradeReport_.thumbnailsToWrite;
      }
      if (work.copyOriginal || work.writeThumbnail) pendingMedia_.push_back(work);
      if (media.EcritDans(code, t.medias) == 0) failed.push_back(code);
      FichierModifie = true;
    } catch (const std::exception&) {
      failed.push_back(code);
    }
  }
  for (CodeID code : failed) t.medias->DeleteData(code);
  upgradeReport_.recordsRemoved += static_cast<std::uint32_t>(failed.size());

  // The first-placed medium of an owner becomes its main medium.
  LXArray* links = t.MediaLiens();
  for (CodeID code : CodesOf(links)) {
    TGLienMedia link;
    Quiet(link);
    if (!link.LitDans(code, links)) continue;
    link.SetMediaPrincipal(link.GetPosition() == 1);
    if (link.GetMediaPrincipal()) ++upgradeReport_.mainMediaSet;
    link.SetPosition(0);
    link.EcritDans(code, links);
  }
  SetUpgradeProgress(4, 100);
}

std::vector<CodeID> TGDatabase::NotesNonUtilisees() const {
  const TGDatabaseTables& t = *tables_;
  const LXArray* owners[] = {t.individus, t.dicoNoms, t.evenements, t.dicoLieux, t.unions,      t.liens,
                             t.medias,    t.dicoAdresses, t.documents, t.taches,  t.prenoms, t.professions};
  std::vector<CodeID> codes = CodesOf(t.notes);
  std::vector<CodeID> unused;
  for (auto it = codes.rbegin(); it != codes.rend(); ++it) {
    bool owned = false;
    for (const LXArray* store : owners) owned = owned || EstDans(store, *it);
    if (!owned) unused.push_back(*it);
  }
  return unused;
}

bool TGDatabase::SupprimeLesNotesNonUtilisees() {
  const std::vector<CodeID> unused = NotesNonUtilisees();
  for (CodeID code : unused) {
    tables_->notes->DeleteData(code);
    ++upgradeReport_.notesDeleted;
  }
  return !unused.empty();
}

void TGDatabase::ReconstruitTablesLiensPrenomsEtLiensProfession() {
  tables_->liensPrenoms->Flush();
  tables_->liensProfessions->Flush();
  TraitePrenomsEtProfessionsV12();
  FichierModifie = true;
}

void TGDatabase::MAJG13_Notes() {
  TGDatabaseTables& t = *tables_;
  SetUpgradeProgress(5, 0);
  SupprimeLesNotesNonUtilisees();
  const std::vector<CodeID> codes = CodesOf(t.notes);
  std::vector<CodeID> failed;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (i % 50 == 0) SetUpgradeProgress(5, static_cast<std::int32_t>(i * 100 / codes.size()));
    TVGNote note;
    Quiet(note);
    try {
      if (!note.LitDans(codes[i], t.notes) || note.EcritDans(codes[i], t.notes) == 0) failed.push_back(codes[i]);
      else ++upgradeReport_.notesRewritten;
    } catch (const std::exception&) {
      failed.push_back(codes[i]);
    }
  }
  for (CodeID code : failed) t.notes->DeleteData(code);
  upgradeReport_.recordsRemoved += static_cast<std::uint32_t>(failed.size());
  SetUpgradeProgress(5, 100);
}

void TGDatabase::MAJG13_Sources() {
  TGDatabaseTables& t = *tables_;
  SetUpgradeProgress(6, 0);
  const std::vector<CodeID> codes = CodesOf(t.documents);
  std::vector<CodeID> failed;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (i % 30 == 0) SetUpgradeProgress(6, static_cast<std::int32_t>(i * 100 / codes.size()));
    TGDocument doc;
    Quiet(doc);
    try {
      if (!doc.LitDans(codes[i], t.documents)) {
        failed.push_back(codes[i]);
        continue;
      }
      const std::uint32_t before = doc.GetNatureActe();
      doc.ConvertOldNatureEnumValue();
      if (doc.GetNatureActe() != before) ++upgradeReport_.documentsConverted;
      if (doc.EcritDans(codes[i], t.documents) == 0) failed.push_back(codes[i]);
    } catch (const std::exception&) {
      failed.push_back(codes[i]);
    }
  }
  for (CodeID code : failed) t.documents->DeleteData(code);
  upgradeReport_.recordsRemoved += static_cast<std::uint32_t>(failed.size());
  SetUpgradeProgress(6, 100);
}

void TGDatabase::MAJG13_Noms() {
  TGDatabaseTables& t = *tables_;
  SetUpgradeProgress(7, 0);
  LArray masters(4, nullptr, false);
  t.dicoNoms->FillListeIDsMaitre(&masters);
  std::set<CodeID> masterSet;
  for (int i = 1; i <= static_cast<int>(masters.GetCount()); ++i) {
    CodeID code = 0;
    if (masters.FetchItemAt(i, &code)) masterSet.insert(code);
  }
  const std::vector<CodeID> codes = CodesOf(t.dicoNoms);
  std::vector<CodeID> failed;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (i % 30 == 0) SetUpgradeProgress(7, static_cast<std::int32_t>(i * 100 / codes.size()));
    TGNom nom;
    Quiet(nom);
    try {
      if (!t.dicoNoms->FetchData(codes[i], &nom)) {
        failed.push_back(codes[i]);
        continue;
      }
      if (nom.GetRattachement() == codes[i] && masterSet.count(codes[i]) == 0) {
        nom.SetRattachement(0);
        nom.EcritDans(codes[i], t.dicoNoms);
        ++upgradeReport_.surnamesDetached;
      }
    } catch (const std::exception&) {
      failed.push_back(codes[i]);
    }
  }
  for (CodeID code : failed) t.dicoNoms->DeleteData(code);
  upgradeReport_.recordsRemoved += static_cast<std::uint32_t>(failed.size());
  SetUpgradeProgress(7, 100);
}

void TGDatabase::MAJG13_LiensEtTemoins() {
  TGDatabaseTables& t = *tables_;
  SetUpgradeProgress(8, 0);
  const std::vector<CodeID> codes = CodesOf(t.liens);
  std::vector<CodeID> failed;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (i % 50 == 0) SetUpgradeProgress(8, static_cast<std::int32_t>(i * 100 / codes.size()));
    TGLien lien;
    Quiet(lien);
    try {
      if (!lien.LitDans(codes[i], t.liens)) {
        failed.push_back(codes[i]);
        continue;
      }
      const liensListT before = lien.GetType();
      lien.ConvertOldTypeLiens();
      // A witness is a person-to-person link (15) or a role in an event
      // (107): which one follows what the link points at.
      if ((lien.GetType() == 15 || lien.GetType() == 107) && lien.GetLienVers() != 0)
        lien.SetType(static_cast<liensListT>(EstEvenement(lien.GetLienVers()) ? 107 : 15));
      if (lien.GetType() != before) ++upgradeReport_.linksConverted;
      if (lien.EcritDans(codes[i], t.liens) == 0) failed.push_back(codes[i]);
    } catch (const std::exception&) {
      failed.push_back(codes[i]);
    }
  }
  for (CodeID code : failed) t.liens->DeleteData(code);
  upgradeReport_.recordsRemoved += static_cast<std::uint32_t>(failed.size());
  SetUpgradeProgress(8, 100);
}

void TGDatabase::MAJG13_TypesUnions() {
  TGDatabaseTables& t = *tables_;
  std::vector<CodeID> failed;
  for (CodeID code : CodesOf(t.unions)) {
    TGUnion u;
    Quiet(u);
    try {
      if (!u.LitDans(code, t.unions)) {
        failed.push_back(code);
        continue;
      }
      if (u.GetTypeUnion() != 4) continue;
      u.SetTypeUnion(1);
      u.EcritDans(code, t.unions);
      ++upgradeReport_.unionTypesConverted;
    } catch (const std::exception&) {
      failed.push_back(code);
    }
  }
  for (CodeID code : failed) t.unions->DeleteData(code);
  upgradeReport_.recordsRemoved += static_cast<std::uint32_t>(failed.size());
}

// --- generation 14

void TGDatabase::MiseAJourG14() {
  Header.InitGUID();
  upgradeReport_.guidRenewed = true;
  if (NotesMoved) return;
  TGDatabaseTables& t = *tables_;
  CheckDatabase();
  SetUpgradeProgress(9, 0);
  SupprimeLesNotesNonUtilisees();
  const std::vector<CodeID> codes = CodesOf(t.notes);
  std::vector<CodeID> failed;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if ((i + 1) % 50 == 0) SetUpgradeProgress(9, static_cast<std::int32_t>((i + 1) * 100 / codes.size()));
    TVGNote note;
    Quiet(note);
    try {
      if (!note.LitDans(codes[i], t.notes)) {
        failed.push_back(codes[i]);
        continue;
      }
      if (note.GetStoredText().empty()) {
        note.SetNoteRTF(note.GetNoteRTF());
      } else {
        note.SetNoteRTF(note.GetStoredText());
        note.SetStoredText({});
      }
      if (note.EcritDans(codes[i], t.notes) == 0) failed.push_back(codes[i]);
      else ++upgradeReport_.notesRewritten;
    } catch (const std::exception&) {
      failed.push_back(codes[i]);
    }
  }
  for (CodeID code : failed) t.notes->DeleteData(code);
  upgradeReport_.recordsRemoved += static_cast<std::uint32_t>(failed.size());
  SetUpgradeProgress(9, 100);
}

// --- generation 15

void TGDatabase::MiseAJourG15() {
  // Holding the Control key at the open skips the media work.
  if (ControlKeyAtOpen) return;
  TGDatabaseTables& t = *tables_;
  const std::vector<CodeID> codes = CodesOf(t.medias);
  ProgressCallback(2, 0, "media");
  ProgressCallback(0, static_cast<std::int64_t>(codes.size()));
  std::map<CodeID, std::size_t> queued;
  for (std::size_t i = 0; i < pendingMedia_.size(); ++i) queued[pendingMedia_[i].code] = i;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (i % 20 == 0) ProgressCallback(1, static_cast<std::int64_t>(i));
    TGMedia media;
    Quiet(media);
    if (!media.LitDans(codes[i], t.medias)) continue;
    const AnsiString original = media.GetOriginalFullPath();
    if (!KELFileExists(original)) continue;
    auto q = queued.find(codes[i]);
    if (q == queued.end()) {
      pendingMedia_.push_back({codes[i], true, false});
      ++upgradeReport_.mediaToCopy;
    } else if (!pendingMedia_[q->second].copyOriginal) {
      pendingMedia_[q->second].copyOriginal = true;
      ++upgradeReport_.mediaToCopy;
    }
    // Reading the original is all a thumbnail takes; a picture that does
    // not decode keeps the thumbnail it has. A PDF has no renderer here and
    // keeps its stored thumbnail too.
    if (TGMedia::IsFilenameIsAnImage(original)) {
      try {
        if (media.MetAJourVignette(original)) {
          media.EcritDans(codes[i], t.medias);
          ++upgradeReport_.thumbnailsRebuilt;
        }
      } catch (const std::exception&) {
      }
    }
  }
  ProgressCallback(3, 0);
}

// --- the media work, done by the save

std::uint32_t TGDatabase::ApplyPendingMedia(const AnsiString& databasePath) {
  TGDatabaseTables& t = *tables_;
  const AnsiString folder = KELGetFilePath(databasePath, true);
  std::uint32_t failures = 0;
  std::vector<PendingMedia> left;
  for (const PendingMedia& work : pendingMedia_) {
    TGMedia media(folder);
    if (!media.LitDans(work.code, t.medias, folder)) continue;  // removed since
    try {
      if (work.copyOriginal && KELFileExists(media.GetOriginalFullPath())) {
        std::error_code ec;
        const AnsiString target = media.GetFullPath();
        const bool same = std::filesystem::exists(target, ec) &&
                          std::filesystem::last_write_time(target, ec) ==
                              std::filesystem::last_write_time(media.GetOriginalFullPath(), ec) &&
                          !ec;
        if (!same) {
          media.CopyMediaToBundle();
          ++upgradeReport_.mediaCopied;
        }
      }
      if (work.writeThumbnail) {
        const AnsiString target = media.GetFullPath();
        // A file already in the bundle is the user's: never overwritten.
        if (!target.empty() && !KELFileExists(target)) {
          std::error_code ec;
          std::filesystem::create_directories(media.GetMediaFolder(), ec);
          std::ofstream out(target, std::ios::binary | std::ios::trunc);
          out.write(media.GetVignette().data(), static_cast<std::streamsize>(media.GetVignette().size()));
          out.close();
          if (ec || !out) throw EGenvoraError("G5vclstrings.ExceptionFichier", target);
          ++upgradeReport_.thumbnailsWritten;
        }
      }
    } catch (const std::exception&) {
      ++failures;
      left.push_back(work);
    }
  }
  upgradeReport_.mediaFailed = failures;
  pendingMedia_ = std::move(left);
  return failures;
}

// --- notes back into the records

void TGDatabase::RemetNotesVersStructure() {
  TGDatabaseTables& t = *tables_;
  auto noteOf = [&](CodeID code, AnsiString& text, bool& prive) {
    if (!EstDans(t.notes, code)) return false;
    TVGNote note;
    if (!note.LitDans(code, t.notes)) return false;
    text = note.GetNote();
    prive = note.IsPrivee();
    return true;
  };
  AnsiString text;
  bool prive = false;
  // The indexes of individuals do not depend on their notes: the store is
  // rewritten without them.
  const bool batch = t.individus->GetBatchMode();
  t.individus->SetBatchModeTo(true);
  BulkRewrite rewrite(t.individus);
  for (CodeID code : CodesOf(t.individus)) {
    TGIndividu indi;
    Quiet(indi);
    if (!noteOf(code, text, prive) || !indi.LitDans(code, t.individus)) continue;
    indi.SetChar(11, text);
    indi.SetNoteFlag(prive);
    rewrite.Put(indi, code);
  }
  rewrite.Apply();
  t.individus->SetBatchModeTo(batch);
  for (CodeID code : CodesOf(t.unions)) {
    TGUnion u;
    Quiet(u);
    if (!noteOf(code, text, prive) || !u.LitDans(code, t.unions)) continue;
    u.SetNoteText(text);
    u.SetNoteFlag(prive);
    u.EcritDans(code, t.unions);
  }
  // Media kept their note in the record too: an older file without a note
  // table would lose it otherwise.
  for (CodeID code : CodesOf(t.medias)) {
    TGMedia media;
    Quiet(media);
    if (!noteOf(code, text, prive) || !media.LitDans(code, t.medias)) continue;
    media.SetNote(text);
    media.EcritDans(code, t.medias);
  }
}

}  // namespace genvora
