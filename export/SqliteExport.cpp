// The SQLite exporter.
#include "export/SqliteExport.h"

#include <sqlite3.h>

#include <cerrno>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string_view>
#include <vector>
#include <system_error>
#include <unordered_map>

#include "computations/TFullIndividu.h"
#include "dates/Calendars.h"
#include "export/ExportOutput.h"
#include "export/GedcomExport.h"
#include "export/GedcomTags.h"
#include "export/RecordWalk.h"
#include "export/SchemaText.h"
#include "platform/Encoding.h"
#include "tables/CodeMembership.h"
#include "utilities/RichText.h"

namespace genvora {

const char* SqliteExportSchema() { return exportschema::kSchema; }

namespace {

// Lines of the schema that start with this make the full-text table; they
// run only when the SQLite in use has FTS5.
constexpr const char kFts5Marker[] = "-- FTS5 ";

std::string U(const AnsiString& s) { return AnsiToUtf8(s); }

// A day of the date-time serial (day 0 is 30 December 1899, the fraction
// the time of day) as ISO 8601; empty for 0, which means unset.
std::string IsoOfSerial(double serial) {
  if (serial == 0.0 || !std::isfinite(serial) || std::fabs(serial) > 3.0e6) return {};
  const double whole = std::floor(serial);
  const std::int64_t sdn = static_cast<std::int64_t>(GregorianToSdn(1899, 12, 30)) + static_cast<std::int64_t>(whole);
  int year = 0, month = 0, day = 0;
  SdnToGregorian(sdn, year, month, day);
  if (year == 0) return {};
  // Seconds of the day, rounded: 0 to 86400 (a full day rounds to 23:59:59).
  std::int64_t seconds = std::llround((serial - whole) * 86400.0);
  if (seconds > 86399) seconds = 86399;
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}

// The record's precise stamp when it has one, else its stored day.
std::string RecordTime(const TGRoot& record, double precise, int which) {
  if (precise != 0.0) return IsoOfSerial(precise);
  return IsoOfSerial(static_cast<double>(record.GetDateLT(which)));
}

// The serial day number of the first day a side of a date names (an
// unknown day or month counts as 1); 0 without a year or when the side does
// not convert.
std::int64_t SideSdn(const TGDate& date, bool side) {
  const int year = date.GetYear(side);
  if (year == 0) return 0;
  const int month = date.GetMonth(side) == 0 ? 1 : date.GetMonth(side);
  const int day = date.GetDay(side) == 0 ? 1 : date.GetDay(side);
  const char calendar = date.GetCalendar(side) == 0 ? kCalendarGregorian : date.GetCalendar(side);
  return CalendarToSdn(calendar, year, month, day);
}

std::string CalendarLetter(const TGDate& date, bool side) {
  const char c = date.GetCalendar(side);
  return std::string(1, c == 'R' || c == 'J' || c == 'H' ? c : 'G');
}

// A prepared statement bound by position; each Row() inserts one row.
class Insert {
 public:
  Insert(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
    if (stmt_ != nullptr) held_.resize(static_cast<std::size_t>(sqlite3_bind_parameter_count(stmt_)));
  }
  ~Insert() { sqlite3_finalize(stmt_); }
  Insert(const Insert&) = delete;
  Insert& operator=(const Insert&) = delete;
  bool Valid() const { return stmt_ != nullptr; }
  Insert& Int(std::int64_t v) {
    sqlite3_bind_int64(stmt_, ++column_, v);
    return *this;
  }
  // 0 is "no record": NULL.
  Insert& Code(CodeID v) {
    if (v == 0) sqlite3_bind_null(stmt_, ++column_);
    else sqlite3_bind_int64(stmt_, ++column_, v);
    return *this;
  }
  Insert& Real(double v) {
    sqlite3_bind_double(stmt_, ++column_, v);
    return *this;
  }
  Insert& Null() {
    sqlite3_bind_null(stmt_, ++column_);
    return *this;
  }
  // The text is kept in the column's own buffer until the next row, so
  // SQLite reads it in place instead of copying it; the buffers keep their
  // capacity from row to row.
  Insert& Text(std::string_view v) {
    std::string& held = held_[static_cast<std::size_t>(column_)];
    held.assign(v);
    sqlite3_bind_text(stmt_, ++column_, held.data(), static_cast<int>(held.size()), SQLITE_STATIC);
    return *this;
  }
  Insert& TextOrNull(std::string_view v) { return v.empty() ? Null() : Text(v); }
  // Plain ASCII is the same text in both encodings: bound as it is.
  Insert& Ansi(const AnsiString& v) {
    for (const char c : v)
      if (static_cast<unsigned char>(c) >= 0x80) return Text(U(v));
    return Text(v);
  }
  // False when the row was refused (a duplicate key...).
  bool Row() {
    // Columns left unbound by this row are NULL, not the previous row's.
    for (int c = column_ + 1; c <= sqlite3_bind_parameter_count(stmt_); ++c) sqlite3_bind_null(stmt_, c);
    const int rc = sqlite3_step(stmt_);
    sqlite3_reset(stmt_);
    column_ = 0;
    return rc == SQLITE_DONE;
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int column_ = 0;
  std::vector<std::string> held_;
};

// Rows made on the walking thread and inserted by a second one, so that
// decoding and printing the records overlaps SQLite's own work. Rows go in
// batches through a short queue: memory stays bounded by a few batches,
// and the rows reach each table in the order they were made.
class RowQueue {
 public:
  explicit RowQueue(sqlite3* db) : db_(db) {}
  ~RowQueue() { Finish(); }
  RowQueue(const RowQueue&) = delete;
  RowQueue& operator=(const RowQueue&) = delete;

  // The statement's number for the rows; -1 when it does not prepare.
  int Prepare(const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK) return -1;
    statements_.push_back(stmt);
    return static_cast<int>(statements_.size()) - 1;
  }
  void Start() { inserter_ = std::thread([this] { Insert(); }); }

  void Int(std::int64_t v) { filling_.values.push_back(Value{Value::kInt, v, 0.0, 0, 0}); }
  void Real(double v) { filling_.values.push_back(Value{Value::kReal, 0, v, 0, 0}); }
  void Null() { filling_.values.push_back(Value{Value::kNull, 0, 0.0, 0, 0}); }
  void Text(std::string_view v) { Bytes(Value::kText, v); }
  void Blob(std::string_view v) { Bytes(Value::kBlob, v); }
  void EndRow(int statement) {
    filling_.rows.push_back(Row{statement, filling_.values.size()});
    if (filling_.rows.size() >= kBatchRows) Send();
  }
  // Waits for every row; the number of rows SQLite refused.
  std::uint64_t Finish() {
    if (inserter_.joinable()) {
      Send();
      {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
      }
      changed_.notify_all();
      inserter_.join();
    }
    for (sqlite3_stmt* stmt : statements_) sqlite3_finalize(stmt);
    statements_.clear();
    return refused_;
  }

 private:
  struct Value {
    enum Kind : std::uint8_t { kNull, kInt, kReal, kText, kBlob } kind;
    std::int64_t integer;
    double real;
    std::size_t offset, size;  // of a text, in the batch's characters
  };
  struct Row {
    int statement;
    std::size_t end;  // one past its last value
  };
  struct Batch {
    std::vector<Row> rows;
    std::vector<Value> values;
    std::string text;
    void Clear() {
      rows.clear();
      values.clear();
      text.clear();
    }
  };
  static constexpr std::size_t kBatchRows = 4096;

  void Bytes(Value::Kind kind, std::string_view v) {
    filling_.values.push_back(Value{kind, 0, 0.0, filling_.text.size(), v.size()});
    filling_.text.append(v);
  }
  static constexpr std::size_t kBatchesQueued = 4;

  void Send() {
    if (filling_.rows.empty()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return full_.size() < kBatchesQueued; });
    full_.push_back(std::move(filling_));
    if (!spare_.empty()) {
      filling_ = std::move(spare_.back());
      spare_.pop_back();
    } else {
      filling_ = Batch{};
    }
    filling_.Clear();
    lock.unlock();
    changed_.notify_all();
  }

  void Insert() {
    for (;;) {
      Batch batch;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !full_.empty() || closed_; });
        if (full_.empty()) return;
        batch = std::move(full_.front());
        full_.pop_front();
      }
      changed_.notify_all();
      std::size_t first = 0;
      for (const Row& row : batch.rows) {
        sqlite3_stmt* stmt = statements_[static_cast<std::size_t>(row.statement)];
        int column = 0;
        for (std::size_t i = first; i < row.end; ++i) {
          const Value& v = batch.values[i];
          switch (v.kind) {
            case Value::kNull: sqlite3_bind_null(stmt, ++column); break;
            case Value::kInt: sqlite3_bind_int64(stmt, ++column, v.integer); break;
            case Value::kReal: sqlite3_bind_double(stmt, ++column, v.real); break;
            case Value::kText:
              sqlite3_bind_text(stmt, ++column, batch.text.data() + v.offset, static_cast<int>(v.size), SQLITE_STATIC);
              break;
            case Value::kBlob:
              sqlite3_bind_blob(stmt, ++column, batch.text.data() + v.offset, static_cast<int>(v.size), SQLITE_STATIC);
              break;
          }
        }
        first = row.end;
        // Columns a row leaves out are NULL, not the previous row's.
        for (int c = column + 1; c <= sqlite3_bind_parameter_count(stmt); ++c) sqlite3_bind_null(stmt, c);
        if (sqlite3_step(stmt) != SQLITE_DONE) ++refused_;
        sqlite3_reset(stmt);
      }
      batch.Clear();
      std::lock_guard<std::mutex> lock(mutex_);
      spare_.push_back(std::move(batch));
    }
  }

  sqlite3* db_;
  std::vector<sqlite3_stmt*> statements_;
  Batch filling_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> full_;
  std::vector<Batch> spare_;
  bool closed_ = false;
  std::uint64_t refused_ = 0;  // written by the inserting thread, read after the join
  std::thread inserter_;
};

// One table's rows, made value by value in the table's column order.
class QueuedInsert {
 public:
  QueuedInsert(RowQueue& queue, const char* sql) : queue_(queue), statement_(queue.Prepare(sql)) {}
  bool Valid() const { return statement_ >= 0; }
  QueuedInsert& Int(std::int64_t v) {
    queue_.Int(v);
    return *this;
  }
  // 0 is "no record": NULL.
  QueuedInsert& Code(CodeID v) {
    if (v == 0) queue_.Null();
    else queue_.Int(v);
    return *this;
  }
  QueuedInsert& Real(double v) {
    queue_.Real(v);
    return *this;
  }
  QueuedInsert& Null() {
    queue_.Null();
    return *this;
  }
  QueuedInsert& Text(std::string_view v) {
    queue_.Text(v);
    return *this;
  }
  QueuedInsert& Blob(std::string_view v) {
    queue_.Blob(v);
    return *this;
  }
  QueuedInsert& TextOrNull(std::string_view v) { return v.empty() ? Null() : Text(v); }
  // Plain ASCII is the same text in both encodings: queued as it is.
  QueuedInsert& Ansi(const AnsiString& v) {
    for (const char c : v)
      if (static_cast<unsigned char>(c) >= 0x80) return Text(U(v));
    return Text(v);
  }
  // Refusals are counted by the queue.
  void Row() { queue_.EndRow(statement_); }

 private:
  RowQueue& queue_;
  int statement_;
};

// The display and GEDCOM texts of dates, made once per distinct date: the
// dates of a file repeat (a day, a year alone), and printing one goes
// through its format's tokens. The key is everything the texts depend on
// besides the language, which does not change during an export.
class DateTexts {
 public:
  struct Texts {
    std::string display;  // UTF-8
    std::string gedcom;
  };
  const Texts& Of(const TGDate& date) {
    key_.assign(reinterpret_cast<const char*>(&date.Block()), sizeof(TGDate::dateT));
    key_ += date.GetGregorien() ? '1' : '0';
    key_ += date.GetFormatText();
    auto found = texts_.find(key_);
    if (found != texts_.end()) return found->second;
    // Bounded: a file of only distinct dates starts again rather than grow.
    if (texts_.size() >= kMostKept) texts_.clear();
    return texts_.emplace(key_, Texts{U(date.GetText()), GedcomDate(date)}).first->second;
  }

 private:
  static constexpr std::size_t kMostKept = 1u << 20;
  std::string key_;
  std::unordered_map<std::string, Texts> texts_;
};

// Each visit is one row; a row that SQLite refuses is counted by the queue,
// so the export fails rather than leave a table short.
class SqliteWriter : public RecordVisitor {
 public:
  SqliteWriter(RowQueue& db, TGDatabase& source)
      : source_(source),
        members_({t().individus, t().unions, t().evenements, t().liens, t().dicoNoms, t().dicoLieux, t().dicoAdresses,
                  t().documents, t().medias, t().taches}),
        surnames_(db, "INSERT INTO surnames VALUES (?,?,?,?)"),
        firstNames_(db, "INSERT INTO first_names VALUES (?,?,?,?)"),
        professions_(db, "INSERT INTO professions VALUES (?,?)"),
        places_(db, "INSERT INTO places VALUES (?,?,?,?,?,?,?,?,?,?)"),
        individuals_(db, "INSERT INTO individuals VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
        firstNameLinks_(db, "INSERT OR IGNORE INTO individual_first_names VALUES (?,?,?)"),
        professionLinks_(db, "INSERT OR IGNORE INTO individual_professions VALUES (?,?)"),
        unions_(db, "INSERT INTO unions VALUES (?,?,?,?,?,?,?,?)"),
        children_(db, "INSERT INTO children VALUES (?,?,?,?,?)"),
        events_(db, "INSERT INTO events VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
        links_(db, "INSERT INTO links VALUES (?,?,?,?,?,?,?)"),
        participants_(db, "INSERT INTO event_participants VALUES (?,?,?,?)"),
        notes_(db, "INSERT INTO notes VALUES (?,?,?,?,?)"),
        sosa_(db, "INSERT OR IGNORE INTO sosa VALUES (?,?,?,?)"),
        addresses_(db, "INSERT INTO addresses VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)"),
        documents_(db, "INSERT INTO documents VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
        citations_(db, "INSERT INTO citations VALUES (?,?,?,?)"),
        media_(db, "INSERT INTO media VALUES (?,?,?,?,?)"),
        mediaLinks_(db, "INSERT INTO media_links VALUES (?,?,?,?,?,?,?)"),
        tasks_(db, "INSERT INTO tasks VALUES (?,?,?,?,?,?,?)"),
        taskLinks_(db, "INSERT INTO task_links VALUES (?,?,?)"),
        researchLogs_(db, "INSERT INTO research_logs VALUES (?,?,?,?,?,?)"),
        mediaFrames_(db, "INSERT INTO media_frames VALUES (?,?,?,?,?,?,?,?)"),
        pairs_(db, "INSERT INTO record_pairs VALUES (?,?,?)"),
        branches_(db, "INSERT INTO branches VALUES (?,?,?)"),
        marked_(db, "INSERT INTO marked_individuals VALUES (?,?)"),
        redaction_(db, "INSERT INTO redaction VALUES (?,?)") {}

  bool Valid() const {
    for (const QueuedInsert* s : {&surnames_, &firstNames_, &professions_, &places_, &individuals_, &firstNameLinks_,
                            &professionLinks_, &unions_, &children_, &events_, &links_, &participants_, &notes_, &sosa_,
                            &addresses_, &documents_, &citations_, &media_, &mediaLinks_, &tasks_, &taskLinks_,
                            &researchLogs_, &mediaFrames_, &pairs_, &branches_, &marked_, &redaction_})
      if (!s->Valid()) return false;
    return true;
  }
  // A record was skipped: references to it are only found after the load.
  bool SawDamage() const { return sawDamage_; }

  void Surname(const TGNom& nom) override {
    surnames_.Int(nom.GetCodeID()).Ansi(nom.GetStoredNom()).Ansi(nom.GetParticule()).Code(nom.GetRattachement()).Row();
  }
  void FirstName(const TVGPrenom& p) override {
    firstNames_.Int(p.GetCodeID()).Ansi(p.Prenom()).Int(p.GetSexe()).Code(p.GetRattachement()).Row();
  }
  void Profession(const TVGProfession& p) override {
    professions_.Int(p.GetCodeID()).Ansi(p.GetProfession()).Row();
  }
  void Place(const TGLieu& l) override {
    const bool placed = l.GetLatitude() != 0.0 || l.GetLongitude() != 0.0;
    places_.Int(l.GetCodeID()).Ansi(l.GetVille()).Ansi(l.GetCodeLieu()).Ansi(l.GetDepartement()).Ansi(l.GetRegion());
    places_.Ansi(l.GetPays()).Ansi(l.GetIsoCountry());
    if (placed) places_.Real(l.GetLatitude()).Real(l.GetLongitude());
    else places_.Null().Null();
    places_.Code(l.GetRattachement()).Row();
  }
  void Individual(const TGIndividu& i, const TGNom* nom) override {
    individuals_.Int(i.GetCodeID()).Code(In(t().dicoNoms, i.GetCodeNom())).Ansi(i.GetChar(5)).Ansi(i.GetChar(10)).Ansi(i.GetChar(9));
    individuals_.Ansi(i.GetChar(8)).Ansi(nom != nullptr ? nom->GetParticule() : AnsiString());
    individuals_.Ansi(nom != nullptr ? TFullIndividu::NomAffiche(*nom) : AnsiString()).Ansi(i.GetChar(6));
    individuals_.Code(Person(i.GetCodePere())).Code(Person(i.GetCodeMere())).Code(In(t().dicoAdresses, i.GetCodeAdresse())).Int(i.GetSwitches()).Int(i.GetBool(33) ? 1 : 0);
    individuals_.TextOrNull(RecordTime(i, i.GetPreciseStamp(0), 0)).TextOrNull(RecordTime(i, i.GetPreciseStamp(1), 1));
    individuals_.Row();
  }
  void FirstNameLink(CodeID individual, CodeID firstName, bool usual) override {
    firstNameLinks_.Int(individual).Int(firstName).Int(usual ? 1 : 0).Row();
  }
  void ProfessionLink(CodeID individual, CodeID profession) override {
    professionLinks_.Int(individual).Int(profession).Row();
  }
  void Union(const TGUnion& u) override {
    unions_.Int(u.GetCodeID()).Code(Person(u.GetEpoux())).Code(Person(u.GetEpouse())).Int(u.GetTypeUnion()).Ansi(u.GetTypeUnionTexte());
    unions_.Code(In(t().dicoAdresses, u.GetAdresse()));
    unions_.TextOrNull(RecordTime(u, u.GetPreciseStamp(0), 0)).TextOrNull(RecordTime(u, u.GetPreciseStamp(1), 1)).Row();
  }
  void Child(const ChildRow& c) override {
    if (Person(c.child) == 0) return;
    children_.Int(c.child).Code(In(t().unions, c.unionCode)).Code(Person(c.father)).Code(Person(c.mother)).Int(c.position).Row();
  }
  void Event(const TGEvenement& e, bool ofUnion) override {
    const TGDate& d = *e.GetDate();
    const char* tag = GedcomEventTag(e.GetType());
    const bool empty = d.EstVide();
    events_.Int(e.GetCodeID()).Int(e.GetProprietaire()).Text(ofUnion ? "union" : "individual").Int(e.GetType());
    events_.Ansi(e.GetTypeStr()).TextOrNull(tag != nullptr ? tag : "").Code(In(t().dicoLieux, e.GetDicoLieu()));
    if (empty) {
      events_.Text("").Text("");
    } else {
      const DateTexts::Texts& texts = dates_.Of(d);
      events_.Text(texts.display).Text(texts.gedcom);
    }
    if (empty) events_.Null().Int(0);
    else events_.Text(CalendarLetter(d, false)).Int(d.GetKeywordIndex(false));
    if (empty || !d.IsDouble()) events_.Null().Int(0);
    else events_.Text(CalendarLetter(d, true)).Int(d.GetKeywordIndex(true));
    const std::int64_t sdn1 = empty ? 0 : SideSdn(d, false);
    const std::int64_t sdn2 = empty || !d.IsDouble() ? 0 : SideSdn(d, true);
    if (sdn1 != 0) events_.Int(sdn1);
    else events_.Null();
    if (sdn2 != 0) events_.Int(sdn2);
    else events_.Null();
    events_.Real(d.GetDateTriDouble(false)).Ansi(e.GetCertitude()).Ansi(e.GetSubdivision()).Ansi(e.GetCause());
    events_.Ansi(e.GetAgeSurActe()).Ansi(e.GetText(2)).Ansi(e.GetText(0)).Int(e.GetPartage() ? 1 : 0);
    events_.Int(e.GetConfidentiel() ? 1 : 0).Row();
  }
  void Link(const TGLien& l) override {
    const bool toEvent = l.GetType() > TGTableLiens::kPremierTypeEvenement;
    if (Person(l.GetLienDe()) == 0) return;
    links_.Int(l.GetCodeID()).Int(l.GetLienDe());
    if (toEvent) links_.Null().Code(In(t().evenements, l.GetLienVers()));
    else links_.Code(Person(l.GetLienVers())).Null();
    links_.Int(l.GetType()).Ansi(l.GetTitre()).Ansi(l.GetNote()).Row();
  }
  void Participant(const ParticipantRow& p) override {
    if (Person(p.person) == 0 || !Holds(t().evenements, p.event)) return;
    participants_.Int(p.event).Int(p.person).Ansi(p.role).Code(In(t().liens, p.link)).Row();
  }
  void Note(CodeID owner, NoteKind kind, const TVGNote& n) override {
    const AnsiString rich = n.GetNoteRTF();
    notes_.Int(owner).Text(kind == NoteKind::Note ? "note" : "research");
    notes_.Ansi(ConvertRtfText(rich, ConvertRtfActionTo::Text)).Ansi(rich).Int(n.IsPrivee() ? 1 : 0).Row();
  }
  void Sosa(const TV5Sosa& s) override {
    if (Person(s.GetCodeID()) == 0) return;
    sosa_.Int(s.GetCodeID()).Ansi(s.GetText()).Int(s.GetGeneration()).Int(s.GetOccurrences()).Row();
  }
  void Address(const TGAdresse& a) override {
    addresses_.Int(a.GetCodeID());
    for (const int text : {TGAdresse::kNomsIndividus, TGAdresse::kAdresse1, TGAdresse::kAdresse2, TGAdresse::kCodePostal,
                           TGAdresse::kVille, TGAdresse::kDepartement, TGAdresse::kPays, TGAdresse::kTel,
                           TGAdresse::kEMail, TGAdresse::kPageWeb, TGAdresse::kNote})
      addresses_.Ansi(a.GetTexte(text));
    addresses_.Int(a.GetPrivate() ? 1 : 0).Row();
  }
  void Document(TGDocument& d) override {
    documents_.Int(d.GetCodeID()).Int(d.GetTypeSource());
    for (const int field : {TGDocument::kSource, TGDocument::kDocument, TGDocument::kCote, TGDocument::kArchive,
                            TGDocument::kNumero})
      documents_.Ansi(d.GetText(field));
    documents_.Int(d.GetNatureActe()).Int(d.GetCertitude()).Ansi(d.GetURL()).Ansi(d.GetEMail()).Ansi(d.GetAuteur());
    const TGDate& date = *d.GetDate();
    const bool empty = date.EstVide();
    documents_.Ansi(empty ? AnsiString() : date.GetText()).Text(empty ? std::string() : GedcomDate(date)).Row();
  }
  void Citation(const TGLienDocument& c) override {
    if (!Holds(t().documents, c.GetXREFDocument())) return;
    citations_.Int(c.GetCodeID()).Code(In(t().evenements, c.GetXREFEvenement())).Int(c.GetXREFDocument()).Ansi(c.GetCitation()).Row();
  }
  void Media(TGMedia& m) override {
    const TGDate& date = *m.GetDate();
    media_.Int(m.GetCodeID()).Ansi(m.GetOriginalFullPath()).Ansi(m.GetSecondText()).Ansi(m.GetNote());
    media_.Ansi(date.EstVide() ? AnsiString() : date.GetText()).Row();
  }
  void MediaLink(const TGLienMedia& l) override {
    if (!Holds(t().medias, l.GetXREFMedia())) return;
    mediaLinks_.Int(l.GetCodeID()).Int(l.GetXREFMedia()).Int(l.GetXREFCible()).Int(l.GetGenre()).Int(l.GetPosition());
    mediaLinks_.Int(l.GetMediaPrincipal() ? 1 : 0).Ansi(l.GetCitation()).Row();
  }
  void Task(const TVGTache& t) override {
    tasks_.Int(t.GetCodeID()).Ansi(t.GetTitre()).Ansi(t.GetDescription()).Int(t.GetPriorite());
    tasks_.Int(t.GetTacheRealisee() ? 1 : 0).TextOrNull(IsoOfSerial(t.GetDateEcheance())).TextOrNull(IsoOfSerial(t.GetDateAlerte()));
    tasks_.Row();
  }
  void TaskLink(CodeID task, CodeID individual, CodeID address) override {
    individual = Person(individual);
    address = In(t().dicoAdresses, address);
    if (!Holds(t().taches, task) || (individual == 0 && address == 0)) return;
    taskLinks_.Int(task).Code(individual).Code(address).Row();
  }
  void ResearchLog(const TVGRechercheLog& r) override {
    researchLogs_.Int(r.GetCodeID()).Int(r.GetOwner()).Int(r.GetKind()).TextOrNull(IsoOfSerial(r.GetDateTime()));
    researchLogs_.Ansi(r.GetText1()).Ansi(r.GetText2()).Row();
  }
  void MediaFrame(const TGMediaCadre& f) override {
    const TGRect& r = f.GetRect();
    mediaFrames_.Int(f.GetCodeID()).Code(In(t().medias, f.GetMediaOrigine())).Code(In(t().medias, f.GetMediaDerive()));
    mediaFrames_.Code(Person(f.GetIndividu())).Int(r.left).Int(r.top).Int(r.right).Int(r.bottom).Row();
  }
  void Pair(const char* table, CodeID a, CodeID b) override { pairs_.Text(table).Int(a).Int(b).Row(); }
  void Branch(CodeID individual, std::uint32_t kind, CodeID id) override {
    branches_.Int(individual).Int(kind).Int(id).Row();
  }
  void Marked(CodeID individual, std::uint32_t position) override { marked_.Int(individual).Int(position).Row(); }
  void Redaction(CodeID code, std::string_view bytes) override { redaction_.Int(code).Blob(bytes).Row(); }
  void Damaged(const std::string& table, CodeID code, const AnsiString& reason) override {
    sawDamage_ = true;
    if (damaged_ != nullptr) damaged_->push_back(SqliteExportReport::Damage{table, code, reason});
  }
  void SetDamagedList(std::vector<SqliteExportReport::Damage>* list) { damaged_ = list; }

 private:
  // References to records the file does not hold become NULL (0) and rows
  // that would name none are not written, as the rows are made; the
  // records that are present but do not decode are only known at the end.
  const TGDatabaseTables& t() const { return source_.Tables(); }
  CodeID In(const LXArray* table, CodeID code) const { return members_.Has(table, code) ? code : 0; }
  CodeID Person(CodeID code) const { return In(t().individus, code); }
  bool Holds(const LXArray* table, CodeID code) const { return members_.Has(table, code); }
  TGDatabase& source_;
  CodeMembership members_;
  DateTexts dates_;
  bool sawDamage_ = false;
  QueuedInsert surnames_, firstNames_, professions_, places_, individuals_, firstNameLinks_, professionLinks_, unions_,
      children_, events_, links_, participants_, notes_, sosa_, addresses_, documents_, citations_, media_, mediaLinks_,
      tasks_, taskLinks_, researchLogs_, mediaFrames_, pairs_, branches_, marked_, redaction_;
  std::vector<SqliteExportReport::Damage>* damaged_ = nullptr;
};

// References to records that are present but did not decode become NULL;
// rows of link tables that would name one are dropped. Absent records are
// already left out as the rows are made; this pass runs only after a walk
// that skipped a damaged record.
constexpr const char* kFixups[] = {
    "UPDATE individuals SET surname = NULL WHERE surname NOT IN (SELECT code FROM surnames)",
    "UPDATE individuals SET father = NULL WHERE father NOT IN (SELECT code FROM individuals)",
    "UPDATE individuals SET mother = NULL WHERE mother NOT IN (SELECT code FROM individuals)",
    "DELETE FROM individual_first_names WHERE individual NOT IN (SELECT code FROM individuals)",
    "DELETE FROM individual_professions WHERE individual NOT IN (SELECT code FROM individuals)",
    "UPDATE unions SET husband = NULL WHERE husband NOT IN (SELECT code FROM individuals)",
    "UPDATE unions SET wife = NULL WHERE wife NOT IN (SELECT code FROM individuals)",
    "DELETE FROM children WHERE child NOT IN (SELECT code FROM individuals)",
    "UPDATE children SET union_code = NULL WHERE union_code NOT IN (SELECT code FROM unions)",
    "UPDATE children SET father = NULL WHERE father NOT IN (SELECT code FROM individuals)",
    "UPDATE children SET mother = NULL WHERE mother NOT IN (SELECT code FROM individuals)",
    "UPDATE events SET place = NULL WHERE place NOT IN (SELECT code FROM places)",
    "DELETE FROM links WHERE from_person NOT IN (SELECT code FROM individuals)",
    "UPDATE links SET to_person = NULL WHERE to_person NOT IN (SELECT code FROM individuals)",
    "UPDATE links SET to_event = NULL WHERE to_event NOT IN (SELECT code FROM events)",
    "DELETE FROM event_participants WHERE event NOT IN (SELECT code FROM events)"
    " OR person NOT IN (SELECT code FROM individuals)",
    "UPDATE event_participants SET link = NULL WHERE link NOT IN (SELECT code FROM links)",
    "DELETE FROM sosa WHERE person NOT IN (SELECT code FROM individuals)",
    "UPDATE individuals SET address = NULL WHERE address NOT IN (SELECT code FROM addresses)",
    "UPDATE unions SET address = NULL WHERE address NOT IN (SELECT code FROM addresses)",
    "UPDATE citations SET event = NULL WHERE event NOT IN (SELECT code FROM events)",
    "DELETE FROM citations WHERE document NOT IN (SELECT code FROM documents)",
    "DELETE FROM media_links WHERE medium NOT IN (SELECT code FROM media)",
    "DELETE FROM task_links WHERE task NOT IN (SELECT code FROM tasks)",
    "UPDATE task_links SET individual = NULL WHERE individual NOT IN (SELECT code FROM individuals)",
    "UPDATE task_links SET address = NULL WHERE address NOT IN (SELECT code FROM addresses)",
    "DELETE FROM task_links WHERE individual IS NULL AND address IS NULL",
    "UPDATE media_frames SET origin = NULL WHERE origin NOT IN (SELECT code FROM media)",
    "UPDATE media_frames SET derived = NULL WHERE derived NOT IN (SELECT code FROM media)",
    "UPDATE media_frames SET individual = NULL WHERE individual NOT IN (SELECT code FROM individuals)",
};

constexpr const char* kFullText[] = {
    "INSERT INTO search (kind, code, text) SELECT 'individual', code, trim(first_names || ' ' || display_name)"
    " FROM individuals",
    "INSERT INTO search (kind, code, text) SELECT 'note', owner, plain_text FROM notes WHERE plain_text <> ''",
};

// Owns the connection and the temporary file until the rename.
class Output {
 public:
  explicit Output(std::string path) : path_(std::move(path)) {}
  ~Output() {
    Close();
    if (!path_.empty()) std::remove(path_.c_str());
  }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  // One thread uses the connection: no locking inside SQLite.
  bool Open() {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    return sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr) == SQLITE_OK;
  }
  sqlite3* Db() const { return db_; }
  bool Exec(const std::string& sql) { return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK; }
  std::string Error() const { return db_ != nullptr ? sqlite3_errmsg(db_) : "cannot be created"; }
  bool Close() {
    const bool ok = db_ == nullptr || sqlite3_close(db_) == SQLITE_OK;
    db_ = nullptr;
    return ok;
  }
  // The file is complete: it is no longer removed.
  void Keep() { path_.clear(); }

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
};

bool HasFts5(sqlite3* db) {
  return sqlite3_exec(db, "CREATE VIRTUAL TABLE temp.fts5_probe USING fts5(x); DROP TABLE temp.fts5_probe;", nullptr,
                      nullptr, nullptr) == SQLITE_OK;
}

std::string Now() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

bool WriteMeta(Output& out, const TGDatabase& db, const SqliteExportOptions& options) {
  Insert meta(out.Db(), "INSERT INTO meta VALUES (?,?)");
  if (!meta.Valid()) return false;
  const TGHeader& h = db.Header;
  const std::pair<const char*, std::string> rows[] = {
      {"source_file", options.sourceName.empty() ? U(db.Chemin) : options.sourceName},
      {"database_version", std::to_string(h.GetDatabaseVersion())},
      {"program_text", U(h.GetProgramText())},
      {"version_text", U(h.GetVersionText())},
      {"file_guid", U(h.GetFileGUID())},
      {"file_number", std::to_string(h.GetNumeroFichier())},
      {"individual_count", std::to_string(h.GetNombreIndividus())},
      {"last_code", std::to_string(h.GetLastCodeID())},
      {"de_cujus", std::to_string(h.GetDeCujus())},
      {"engine_version", "0.1"},
      {"export_time", Now()},
  };
  for (const auto& [key, value] : rows)
    if (!meta.Text(key).Text(value).Row()) return false;
  return true;
}

}  // namespace

bool ExportSqlite(TGDatabase& db, const std::string& outPath, const SqliteExportOptions& options,
                  SqliteExportReport& report, std::string& error) {
  if (!CheckExportOutput(outPath, options.replace, error)) return false;
  const std::string temporary = TemporaryBeside(outPath);
  std::remove(temporary.c_str());
  Output out(temporary);
  if (!out.Open()) {
    error = "cannot be written";
    return false;
  }
  // Bulk load: no journal, no sync, the database held alone; the temporary
  // file is thrown away on any failure, so nothing needs a rollback.
  if (!out.Exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA locking_mode = EXCLUSIVE;"
                "PRAGMA temp_store = MEMORY; PRAGMA cache_size = -262144; PRAGMA foreign_keys = OFF;"
                "PRAGMA threads = 2;")) {
    error = "cannot be written: " + out.Error();
    return false;
  }
  report.fullText = HasFts5(out.Db());
  // The indexes are made after the load: one sort each instead of an
  // insertion per row.
  std::string schema, indexes;
  std::istringstream lines(SqliteExportSchema());
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("CREATE INDEX ", 0) == 0) {
      indexes += line + "\n";
    } else if (line.rfind(kFts5Marker, 0) == 0) {
      if (report.fullText) schema += line.substr(sizeof kFts5Marker - 1) + "\n";
    } else {
      schema += line + "\n";
    }
  }
  if (!out.Exec("BEGIN") || !out.Exec(schema) || !WriteMeta(out, db, options)) {
    error = "cannot be written: " + out.Error();
    return false;
  }
  bool damaged = false;
  {
    RowQueue rows(out.Db());
    SqliteWriter writer(rows, db);
    if (!writer.Valid()) {
      error = "cannot be written: " + out.Error();
      return false;
    }
    writer.SetDamagedList(&report.damaged);
    // The connection belongs to the inserting thread until Finish.
    rows.Start();
    RecordWalk walk(db);
    walk.Walk(writer);
    const std::uint64_t refused = rows.Finish();
    if (refused != 0) {
      error = "cannot be written: " + std::to_string(refused) + " row(s) refused: " + out.Error();
      return false;
    }
    damaged = writer.SawDamage();
  }
  if (!out.Exec(indexes)) {
    error = "cannot be written: " + out.Error();
    return false;
  }
  for (const char* sql : kFixups)
    if (damaged && !out.Exec(sql)) {
      error = "cannot be written: " + out.Error();
      return false;
    }
  if (report.fullText)
    for (const char* sql : kFullText)
      if (!out.Exec(sql)) {
        error = "cannot be written: " + out.Error();
        return false;
      }
  if (!out.Exec("COMMIT") || !out.Close()) {
    error = "cannot be written: " + out.Error();
    return false;
  }
  if (!PublishExport(temporary, outPath, options.replace, error)) return false;
  out.Keep();
  return true;
}

}  // namespace genvora
