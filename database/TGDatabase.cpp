// The database object: lifecycle, the read path and the identifiers.
#include "database/TGDatabase.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "database/LireEntete.h"
#include "platform/Exception.h"
#include "platform/Host.h"
#include "platform/Resources.h"
#include "platform/System.h"
#include "tables/IndexSupport.h"
#include "utilities/FilePaths.h"

namespace genvora {

namespace {

AnsiString UpperExtension(const AnsiString& path) {
  AnsiString ext = KELGetFileExt(path);
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return ext;
}

AnsiString ReplacePercentS(AnsiString text, const AnsiString& value) {
  auto at = text.find("%s");
  if (at != AnsiString::npos) text.replace(at, 2, value);
  return text;
}

}  // namespace

TGDatabase::TGDatabase() : TGDatabase(std::string{}) {}

TGDatabase::TGDatabase(std::string activeFilesPath) : activeFiles_(std::move(activeFilesPath)) { InitInstance(); }

TGDatabase::~TGDatabase() {
  // Only the entry this object wrote goes: a read-only open wrote none. A
  // database closed by FichierFermer is no longer open but still listed.
  if (listed_ && !Chemin.empty()) activeFiles_.DeleteFileName(Chemin);
}

void TGDatabase::InitInstance() {
  Header.zeroMemory();
  Header.InitNumeroFichierAndCounters();
  // A database made here has nothing to verify.
  Header.DemanderVerificationFichier(false);
  // The numbering points into the tables: it goes before they do.
  sosaNumbering_.reset();
  tables_ = std::make_unique<TGDatabaseTables>();
  basket_ = std::make_unique<LArray>(4, nullptr, true);
  if (makeSosaNumbering_) sosaNumbering_ = makeSosaNumbering_(*this);
  NotesMoved = false;
  ControlKeyAtOpen = false;
}

void TGDatabase::AttachSosaNumbering(SosaNumberingMaker make) {
  makeSosaNumbering_ = std::move(make);
  sosaNumbering_.reset();
  if (makeSosaNumbering_) sosaNumbering_ = makeSosaNumbering_(*this);
}

void TGDatabase::_RAZ() {
  if (listed_ && !Chemin.empty()) activeFiles_.DeleteFileName(Chemin);
  listed_ = false;
  InitInstance();
  Chemin.clear();
  DatabaseDir.clear();
  FichierOuvert = FichierModifie = false;
}

bool TGDatabase::AssigneNomDeFichier(const AnsiString& path) {
  Chemin = path;
  return !Chemin.empty();
}

bool TGDatabase::SetAsNewFile() {
  if (!Chemin.empty()) throw EGenvoraError("G5vclstrings.M1510");
  FichierOuvert = true;
  return true;
}

bool TGDatabase::FilerV9(const AnsiString& path) {
  AnsiString ext = UpperExtension(path);
  return ext.empty() || ext == ".G10";
}

TGDatabase::Reader TGDatabase::ReaderFor(const AnsiString& path, const TGHeader& header) {
  // What this engine writes is the complete layout whatever the name; only
  // a file of an older generation is read by the rules of its extension.
  if (!header.IsLegacy() && header.BlockARead() && header.GetDatabaseVersion() == TGHeader::kCurrentDatabaseVersion)
    return Reader::V9;
  AnsiString ext = UpperExtension(path);
  if (ext == ".GV5" || ext == ".GV7") return Reader::Base;
  if (ext == ".GV8") return Reader::V8;
  return Reader::V9;
}

void TGDatabase::Progress(const char* what, std::int64_t done, std::int64_t total) {
  if (OnIOProgress) OnIOProgress(*this);
  Host().Progress(what, done, total);
  V5ProcessMessage();
}

AnsiString TGDatabase::ErrorNameFor(const AnsiString& path, double now) {
  // The date and time of the day-month-year short form, every separator
  // turned into a dot: "04.12.2026.01.23.45".
  auto days = static_cast<std::int64_t>(now);
  if (now < 0 && static_cast<double>(days) != now) --days;
  double fraction = now - static_cast<double>(days);
  auto seconds = static_cast<std::int64_t>(fraction * 86400.0 + 0.5);
  if (seconds >= 86400) seconds = 86399;
  // Civil date from the day count (day 0 = 30 December 1899).
  std::int64_t z = days + 693899;  // days since 0000-03-01 (1970-01-01 is serial 25569)
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  std::int64_t doe = z - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t y = yoe + era * 400;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
  char text[64];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d.%02d.%02d.%02d", static_cast<int>(d), static_cast<int>(m),
                static_cast<int>(y), static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                static_cast<int>(seconds % 60));
  return path + text + kErrorSuffix;
}

void TGDatabase::RecoverTmpsav() {
  AnsiString tmp = Chemin + kTmpSuffix;
  if (!KELFileExists(tmp)) return;
  AnsiString target = ErrorNameFor(Chemin, NowDateTime());
  // Never over an existing file: the rename then fails and the temporary
  // file stays where it is, as the open goes on.
  if (KELFileExists(target)) return;
  std::rename(tmp.c_str(), target.c_str());
}

bool TGDatabase::LireEntete() {
  bool open = FichierOuvert;
  std::string reason;
  bool ok = genvora::LireEntete(Chemin, Header, open, &reason);
  if (!ok) reason_ = reason.empty() ? Header.LastReason() : reason;
  return ok;
}

bool TGDatabase::FichierOuvrir() {
  reason_.clear();
  dropped_.clear();
  sectionsRead_.clear();
  stopReading_ = false;
  level_ = 0;
  plan_ = {};
  if (Chemin.empty()) throw EGenvoraError("G5vclstrings.M1404");

  long holder = 0;
  if (activeFiles_.FileNameExists(Chemin, &holder)) {
    ShowMessage(ReplacePercentS(LoadResString("G7str.UnableToOpen"), Chemin), LoadResString("G7str.UnableToOpenShort"),
                MsgButtons::Ok, MsgKind::Error);
    reason_ = ReplacePercentS(LoadResString("Database.InUse"), std::to_string(holder));
    return false;
  }
  if (FichierOuvert) {
    reason_ = "already open";
    return false;
  }
  // A forced open is the repair path: an old integrity date must not keep
  // the file controller out.
  if (!ForcedMode && GetOutDateFile()) {
    reason_ = LoadResString("Database.OutOfDate");
    return false;
  }
  ControlKeyAtOpen = Host().ControlKeyDown();
  if (!ReadOnly) RecoverTmpsav();

  if (!ForcedMode) {
    bool accepted = LireEntete() && !Header.FichierAVerifier();
    if (!accepted) {
      if (Header.FichierAVerifier() && OnCorruptedFile) OnCorruptedFile(*this);
      if (reason_.empty()) reason_ = LoadResString("Database.ToVerify");
      FichierOuvert = false;
      return false;
    }
  }

  std::unique_ptr<PlatformFile> file = PlatformFile::Open(Chemin, FileMode::Read);
  if (!file) {
    FichierOuvert = false;
    throw EGenvoraError("G5vclstrings.M1408", Chemin);
  }
  FichierOuvert = true;
  {
    TGHeader probe;
    probe.LitDans(*file, UpperExtension(Chemin));
    reader_ = ReaderFor(Chemin, probe);
  }
  bool ok = false;
  try {
    switch (reader_) {
      case Reader::Base:
        ok = sequentialRead(*file);
        if (ok && !stopReading_) plan_ = {true, true, true, false};
        break;
      case Reader::V8:
        ok = sequentialReadV8(*file);
        break;
      case Reader::V9:
        ok = sequentialReadV9(*file);
        break;
    }
  } catch (...) {
    FichierOuvert = false;
    throw;
  }
  file.reset();
  FichierOuvert = ok;
  if (!ok) return false;

  // The counter is corrected before any upgrade hands out a code.
  ReloadLastID();
  // What a forced open dropped was not read: no upgrade runs on half a file.
  if (dropped_.empty()) MiseAJour(plan_);
  // The Sosa table read is the numbering of the header's de cujus.
  if (sosaNumbering_) sosaNumbering_->SosaTableRead(Header.GetDeCujus());
  if (OnPostOpenFile) OnPostOpenFile(*this);
  if (!ReadOnly) {
    activeFiles_.WriteFileName(Chemin);
    listed_ = true;
  }
  if (!dropped_.empty()) {
    std::string list;
    for (const std::string& d : dropped_) list += (list.empty() ? "" : "; ") + d;
    ShowMessage(ReplacePercentS(LoadResString("Database.Dropped"), list), LoadResString("G13str.erreurFichier"),
                MsgButtons::Ok, MsgKind::Warning);
  }
  return true;
}

TGDatabase::SectionRead TGDatabase::ReadSection(FileHandle& file, LArray& array, const char* name) {
  if (file.Remaining() == 0) {
    array.Flush();
    return SectionRead::Absent;
  }
  std::int64_t at = file.Position();
  if (array.LitDans(&file)) {
    sectionsRead_.push_back(name);
    return SectionRead::Ok;
  }
  const char* why = array.GetReadFailure();
  reason_ = std::string(LoadResString("Database.Damaged")) + ": " + name + " at offset " + std::to_string(at) + ": " +
            (why != nullptr ? why : "unreadable");
  return SectionRead::Damaged;
}

bool TGDatabase::Damage(const std::string& what) {
  if (!ForcedMode) {
    if (reason_.empty()) reason_ = what;
    return false;
  }
  dropped_.push_back(what + " (and every later table)");
  stopReading_ = true;
  return true;
}

bool TGDatabase::ReadWithDictionaryInside(FileHandle& file, LXArray& table, const LXArray& dictionary,
                                          const char* name) {
  // The caller has put the dictionary in the table's legacy slot.
  SectionRead r = ReadSection(file, table, name);
  if (r == SectionRead::Ok) {
    sectionsRead_.push_back(dictionary.GetClassName());
    return true;
  }
  if (r == SectionRead::Absent) reason_ = std::string("the file ends before ") + name;
  return Damage(reason_);
}

bool TGDatabase::sequentialRead(FileHandle& file) {
  if (!FichierOuvert) return false;
  if (!file.Seek(0) || !Header.LitDans(file, UpperExtension(Chemin))) {
    reason_ = Header.LastReason();
    return false;
  }
  Progress("header", 0, 10);
  if (Header.GetNumeroFichier() == 0) {
    Header.InitNumeroFichierAndCounters();
    FichierModifie = true;
  }
  const bool inside = Header.GetDatabaseVersion() < kDictionariesInTablesBelow;
  TGDatabaseTables& t = *tables_;
  auto plain = [&](LArray& array, const char* name) {
    SectionRead r = ReadSection(file, array, name);
    if (r == SectionRead::Ok) return true;
    if (r == SectionRead::Absent) reason_ = std::string("the file ends before ") + name;
    return Damage(reason_);
  };
  int step = 0;
  auto next = [&](bool ok) {
    Progress("tables", ++step, 10);
    return ok;
  };
  if (!next(plain(*t.indiMarques, "CkeckedPeoples"))) return false;
  t.indiMarques->InvalidateSort();
  if (stopReading_) return true;
  // Older files keep each dictionary inside its owner's block: for this one
  // read it takes the owner's legacy slot.
  const int version = Header.GetDatabaseVersion();
  t.individus->SetDatabaseVersion(version);
  bool ok = inside ? ReadWithDictionaryInside(file, *t.individus, *t.dicoNoms, "TGTableIndividus")
                   : plain(*t.individus, "TGTableIndividus");
  t.individus->SetDatabaseVersion(TGHeader::kCurrentDatabaseVersion);
  if (!next(ok)) return false;
  if (stopReading_) return true;
  t.evenements->SetDatabaseVersion(version);
  ok = inside ? ReadWithDictionaryInside(file, *t.evenements, *t.dicoLieux, "TGTableEvenements")
              : plain(*t.evenements, "TGTableEvenements");
  t.evenements->SetDatabaseVersion(TGHeader::kCurrentDatabaseVersion);
  if (!next(ok)) return false;
  if (stopReading_) return true;
  const std::pair<LArray*, const char*> rest[] = {{t.unions, "TGTableUnion"},      {t.medias, "TGTableMedias"},
                                                  {t.liens, "TBLINK"},             {t.dicoAdresses, "TGTableDicoAdresses"},
                                                  {t.sosa, "SOSATbl"},             {t.documents, "TG5Doc"}};
  for (const auto& [array, name] : rest) {
    if (!next(plain(*array, name))) return false;
    if (stopReading_) return true;
    if (array == t.sosa && !DropSosaOccurrences(file)) return false;
    if (stopReading_) return true;
  }
  return true;
}

bool TGDatabase::DropSosaOccurrences(FileHandle& file) {
  // The Sosa table is stored alone. Some writers put the computations'
  // occurrences (8-byte items) right after it as a block of their own; it
  // is recognised by its name and read past, so that the next table is met
  // where it lies. Any other name is the next table.
  // On disk; they never change.
  static constexpr char kName[] = "SOSADbl";   // with its NUL
  static constexpr unsigned kItemSize = 8;     // {person, count of numbers}
  const std::int64_t at = file.Position();
  if (file.Remaining() < static_cast<std::int64_t>(LArray::kBlockHeaderSize)) return true;
  unsigned char header[LArray::kBlockHeaderSize];
  if (!file.Read(header, sizeof header) || !file.Seek(at)) {
    reason_ = std::string(LoadResString("Database.Damaged")) + ": unreadable after SOSATbl at offset " +
              std::to_string(at);
    return Damage(reason_);
  }
  if (std::memcmp(header, LArray::kSignature, LArray::kSignatureSize) != 0 ||
      std::memcmp(header + LArray::kSignatureSize, kName, sizeof kName) != 0)
    return true;
  LArray occurrences(kItemSize, nullptr, false);
  if (occurrences.LitDans(&file)) return true;
  const char* why = occurrences.GetReadFailure();
  reason_ = std::string(LoadResString("Database.Damaged")) + ": " + kName + " at offset " + std::to_string(at) +
            ": " + (why != nullptr ? why : "unreadable");
  return Damage(reason_);
}

bool TGDatabase::sequentialReadV8(FileHandle& file) {
  if (!sequentialRead(file)) return false;
  if (stopReading_) return true;
  SectionRead r = ReadSection(file, *tables_->redaction, "TableRedaction");
  if (r == SectionRead::Absent) {
    reason_ = "the file ends before the redaction table";
    return false;
  }
  if (r == SectionRead::Damaged && !Damage(reason_)) return false;
  Progress("tables", 10, 10);
  if (!stopReading_) plan_ = {true, true, true, true};
  return true;
}

bool TGDatabase::sequentialReadV9(FileHandle& file) {
  if (!sequentialRead(file)) return false;
  if (stopReading_) return true;
  TGDatabaseTables& t = *tables_;
  SectionRead r = ReadSection(file, *t.redaction, "TableRedaction");
  if (r == SectionRead::Absent) {
    // An older file that ends after the base tables.
    plan_ = {true, true, true, false};
    return true;
  }
  if (r == SectionRead::Damaged) return Damage(reason_);
  Progress("tables", 10, 10);

  std::int32_t level = 0;
  if (file.Remaining() >= 4) {
    unsigned char bytes[4];
    if (file.Read(bytes, 4)) level = static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[0]) |
                                                               static_cast<std::uint32_t>(bytes[1]) << 8 |
                                                               static_cast<std::uint32_t>(bytes[2]) << 16 |
                                                               static_cast<std::uint32_t>(bytes[3]) << 24);
  } else if (file.Remaining() > 0) {
    reason_ = std::string(LoadResString("Database.Damaged")) + ": the extension level is cut short";
    return Damage(reason_);
  }
  level_ = level;

  if (level > 1) {
    for (const TGDatabaseTables::Section& section : t.Sections()) {
      if (section.minLevel < 1 || level <= section.minLevel) continue;
      // Level 8 was never a released layout: what follows the notes is
      // not this engine's to read.
      if (level == kRefusedExtensionLevel && section.minLevel > 6) break;
      SectionRead sr = ReadSection(file, *section.array, section.name);
      if (sr == SectionRead::Damaged) {
        if (!Damage(reason_)) return false;
        break;
      }
      if (sr == SectionRead::Ok) {
        if (section.array == t.ordreEnfants || section.array == t.ordreConjoints) section.array->InvalidateSort();
        // The union pair table is written for older readers only; its
        // content is not kept.
        if (section.array == t.unionLiens) t.unionLiens->Flush();
      }
      Progress(section.name, section.minLevel, kExtensionLevel);
    }
  }
  if (level == kRefusedExtensionLevel) {
    ShowMessage(LoadResString("G13str.fichierNonCompatible"), LoadResString("G13str.erreurFichier"), MsgButtons::Ok,
                MsgKind::Error);
    reason_ = LoadResString("G13str.fichierNonCompatible") + " (extension level 8)";
    return false;
  }
  plan_.g12 = level < 14;
  plan_.g13 = level < 17;
  plan_.g14 = level < 19;
  plan_.g15 = level < 22;
  return true;
}

// --- upgrades

void TGDatabase::MiseAJour(const UpgradePlan& plan) {
  upgradeReport_ = {};
  pendingMedia_.clear();
  if (plan.g12) MiseAJourG12();
  if (plan.g13) MiseAJourG13();
  if (plan.g14) MiseAJourG14();
  if (plan.g15) MiseAJourG15();
}

CodeID TGDatabase::GetNextID() {
  std::uint32_t last = Header.GetLastCodeID();
  // Codes are ordered as signed 32-bit words, and 0x7FFFFFFF means "the last
  // item" to the containers: the counter stops below both.
  if (last >= kLastUsableCodeID) throw EGenvoraError::Plain("no record identifier left in this database");
  FichierModifie = true;
  Header.SetLastCodeID(last + 1);
  return last + 1;
}

CodeID TGDatabase::GetLastLArrayCodeID(const LXArray* table) {
  if (table == nullptr || table->GetCodeList() == nullptr) return 0;
  const LArray& list = *table->GetCodeList();
  // The list read from a file may not be in order: the greatest code is
  // looked for, not taken from the end. Pairs are 8 bytes, code first.
  const auto* pairs = static_cast<const unsigned char*>(list.GetItemsHandle());
  if (pairs == nullptr || list.GetItemSize(1) != LXArray::kPairSize) return 0;
  std::uint32_t best = 0;
  const std::size_t count = list.GetCount();
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t code;
    std::memcpy(&code, pairs + i * LXArray::kPairSize, 4);
    if (code > best) best = code;
  }
  return best;
}

void TGDatabase::ReloadLastID() {
  std::uint32_t last = Header.GetLastCodeID();
  for (const LXArray* store : tables_->CodedStores()) last = std::max(last, GetLastLArrayCodeID(store));
  // Remembered branches are plain items whose first word is their code.
  const LArray& branches = *tables_->branches;
  for (int i = 1; i <= static_cast<int>(branches.GetCount()); ++i) {
    std::uint32_t item[3] = {0, 0, 0};
    if (branches.FetchItemAt(i, item)) last = std::max(last, item[0]);
  }
  Header.SetLastCodeID(last);
}

bool TGDatabase::EstDans(const LXArray* table, CodeID code) {
  if (table == nullptr || table->GetCodeList() == nullptr || code == 0) return false;
  std::uint32_t pair[2] = {code, 0};
  return table->GetCodeList()->FetchIndexOf(pair, 8) != 0;
}

CodeID TGDatabase::GetPremierIndividu() const {
  if (!FichierOuvert) return 0;
  CodeID root = Header.GetDeCujus();
  if (root != 0 && EstIndividu(root)) return root;
  const LArray* list = tables_->individus->GetCodeList();
  std::uint32_t pair[2] = {0, 0};
  if (list == nullptr || !list->FetchItemAt(1, pair)) return 0;
  return pair[0];
}

void TGDatabase::SetDeCujus(CodeID code) {
  if (!FichierOuvert || Header.GetDeCujus() == code) return;
  Header.SetDeCujus(code);
  // The header and the Sosa table changed: a close must not drop them.
  FichierModifie = true;
  if (sosaNumbering_) sosaNumbering_->DeCujusChanged(code);
}

bool TGDatabase::CheckLXArray(const LXArray* table) {
  return table != nullptr && table->GetCodeList() != nullptr &&
         table->GetCount() == table->GetCodeList()->GetCount();
}

bool TGDatabase::RemplaceCodeIDMedia(CodeID oldCode, CodeID newCode) {
  // The links that show the medium and its frames follow the new code.
  return tables_->medias->RemplaceCodeID(oldCode, newCode);
}

void TGDatabase::CheckDatabase() {
  TGDatabaseTables& t = *tables_;
  const LXArray* sequence[] = {t.individus,     t.evenements, t.unions,   t.MediaLiens(),
                               t.liens,         t.dicoAdresses, t.documents, t.DocumentLiens(),
                               t.prenoms,       t.professions, t.medias};
  // Only the media are repaired, so only a media code met before (in an
  // earlier table or earlier among the media) is a collision. The other
  // tables' codes are looked up among the media codes, which are few.
  const std::size_t n = std::size(sequence);
  const LArray* list = sequence[n - 1]->GetCodeList();
  std::vector<std::uint32_t> mediaCodes;
  for (int i = 1; list != nullptr && i <= static_cast<int>(list->GetCount()); ++i) {
    std::uint32_t pair[2] = {0, 0};
    if (list->FetchItemAt(i, pair)) mediaCodes.push_back(pair[0]);
  }
  if (mediaCodes.empty()) return;
  std::sort(mediaCodes.begin(), mediaCodes.end());
  mediaCodes.erase(std::unique(mediaCodes.begin(), mediaCodes.end()), mediaCodes.end());
  std::set<std::uint32_t> before;  // media codes that an earlier table holds
  for (std::size_t k = 0; k + 1 < n; ++k) {
    const LArray* codes = sequence[k]->GetCodeList();
    for (int i = 1; codes != nullptr && i <= static_cast<int>(codes->GetCount()); ++i) {
      std::uint32_t pair[2] = {0, 0};
      if (codes->FetchItemAt(i, pair) && std::binary_search(mediaCodes.begin(), mediaCodes.end(), pair[0]))
        before.insert(pair[0]);
    }
  }
  std::set<std::uint32_t> media;
  std::set<std::uint32_t> duplicates;
  for (int i = 1; list != nullptr && i <= static_cast<int>(list->GetCount()); ++i) {
    std::uint32_t pair[2] = {0, 0};
    if (!list->FetchItemAt(i, pair)) continue;
    if (before.count(pair[0]) != 0 || !media.insert(pair[0]).second) duplicates.insert(pair[0]);
  }
  for (std::uint32_t code : duplicates) RemplaceCodeIDMedia(code, GetNextID());
}

bool TGDatabase::ReIndexMatchLXArray(LXArray* table) {
  if (table == nullptr || table->GetCodeList() == nullptr) return false;
  LArray& list = *table->GetCodeList();
  list.Flush();
  bool ok = true;
  // An item too short to begin with a code cannot be indexed: it goes.
  for (int i = static_cast<int>(table->GetCount()); i >= 1; --i) {
    if (table->GetItemSize(i) < 4) {
      table->RemoveItemsAt(1, i);
      ok = false;
    }
  }
  // A sound store holds its records in ascending code order: no code then
  // repeats or is 0, each would be added after the ones before it, and the
  // list is laid in one pass instead of two searches per record.
  const int count = static_cast<int>(table->GetCount());
  if (list.IsSorted() && list.IsKeptSorted() && dynamic_cast<const LLongComparator*>(list.GetComparator()) != nullptr) {
    std::vector<std::uint32_t> pairs;
    pairs.reserve(static_cast<std::size_t>(count) * 2);
    bool ascending = true;
    for (int i = 1; ascending && i <= count; ++i) {
      const void* item = table->GetItemPtr(i);
      std::uint32_t code = 0;
      if (item != nullptr) std::memcpy(&code, item, 4);
      ascending = item != nullptr && code != 0 && (pairs.empty() || CodeWordBefore(pairs[pairs.size() - 2], code));
      pairs.push_back(code);
      pairs.push_back(static_cast<std::uint32_t>(i));
    }
    if (ascending) {
      BulkLoad(list, pairs.data(), static_cast<std::size_t>(count));
      return ok;
    }
  }
  for (int i = 1; i <= count; ++i) {
    auto* item = static_cast<unsigned char*>(table->GetItemPtr(i));
    if (item == nullptr) continue;
    std::uint32_t code = 0;
    std::memcpy(&code, item, 4);
    std::uint32_t probe[2] = {code, 0};
    if (code == 0 || list.FetchIndexOf(probe, 8) != 0) {
      code = GetNextID();
      std::memcpy(item, &code, 4);
    }
    std::uint32_t pair[2] = {code, static_cast<std::uint32_t>(i)};
    list.AddItem(pair, 8);
  }
  return ok;
}

bool TGDatabase::ReIndexArrays(bool includeEvents) {
  TGDatabaseTables& t = *tables_;
  LXArray* order[] = {t.dicoNoms, t.individus,       t.dicoLieux, t.evenements, t.unions, t.medias,     t.MediaLiens(),
                      t.liens,    t.dicoAdresses,    t.documents, t.DocumentLiens(), t.prenoms, t.professions};
  Progress("reindex", 0, static_cast<std::int64_t>(std::size(order)));
  int done = 0;
  for (LXArray* table : order) {
    if (!ReIndexMatchLXArray(table)) return false;
    Progress("reindex", ++done, static_cast<std::int64_t>(std::size(order)));
  }
  // Codes may have been renumbered behind the tables' in-memory orders.
  t.medias->InvalidateOrders();
  t.mediasCadres->InvalidateOrders();
  t.documents->InvalidateOrders();
  // The events' owner index belongs to the events table, which rebuilds it
  // from its records; the code lists above are all this object keeps.
  (void)includeEvents;
  return true;
}

std::int64_t TGDatabase::GetEstimatedFileSize() const {
  const TGDatabaseTables& t = *tables_;
  std::int64_t total = 40960;
  const LArray* arrays[] = {t.indiMarques, t.individus,    t.evenements, t.unions,   t.medias,
                            t.liens,       t.dicoAdresses, t.sosa,       t.documents};
  for (const LArray* a : arrays) total += static_cast<std::int64_t>(a->GetMemoryUsedSize());
  return total / 1024;
}

}  // namespace genvora
