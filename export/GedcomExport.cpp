// The GEDCOM exporter.
#include "export/GedcomExport.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "computations/TFullIndividu.h"
#include "export/BackgroundWrite.h"
#include "export/ExportOutput.h"
#include "export/GedcomTags.h"
#include "export/RecordWalk.h"
#include "platform/Encoding.h"
#include "utilities/RichText.h"

namespace genvora {

namespace {

constexpr std::size_t kMaxLine = 255;
// Room for "n CONC " and a margin; a value piece is cut at this many bytes.
constexpr std::size_t kPiece = 200;

std::string U(const AnsiString& s) { return AnsiToUtf8(s); }

std::string Trim(std::string s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// Where a value may be cut for a CONC line: between two non-space bytes,
// never inside a UTF-8 sequence; 0 when there is none before `limit`.
std::size_t CutAt(std::string_view s, std::size_t limit) {
  for (std::size_t at = limit; at > 1; --at) {
    const auto c = static_cast<unsigned char>(s[at]);
    if ((c & 0xC0) == 0x80) continue;
    if (s[at] != ' ' && s[at - 1] != ' ') return at;
  }
  return 0;
}

// A day as GEDCOM writes it: "11 DEC 2026".
std::string GedcomDay(const std::tm& utc) {
  static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  return std::to_string(utc.tm_mday) + " " + kMonths[utc.tm_mon] + " " + std::to_string(utc.tm_year + 1900);
}

std::string Today() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  return GedcomDay(utc);
}

std::string DayOfSerial(double serial) {
  if (serial < 1.0 || !std::isfinite(serial) || serial > 3.0e6) return {};
  // Records are stamped by the day, most of a file on few days: the text of
  // the last day asked is kept.
  thread_local double lastDay = -1;
  thread_local std::string lastText;
  const double day = std::floor(serial);
  if (day == lastDay) return lastText;
  // Day 0 is 30 December 1899; civil days from 1970 for gmtime.
  const std::time_t t = static_cast<std::time_t>((day - 25569.0) * 86400.0);
  std::tm utc{};
  if (gmtime_r(&t, &utc) == nullptr) return {};
  lastText = GedcomDay(utc);
  lastDay = day;
  return lastText;
}

class Writer : public RecordVisitor {
 public:
  Writer(BackgroundWrite& out, RecordWalk& walk, const GedcomExportOptions& options, GedcomExportReport& report)
      : out_(out), walk_(walk), db_(walk.Database()), options_(options), report_(report) {
    for (int f = 0; f < TGHeader::kUserFieldCount; ++f) {
      const std::string tag = Trim(U(db_.Header.GetUserFieldTagGedcom(f)));
      userTags_[f] = tag.empty() ? "_USER" + std::to_string(f + 1) : tag;
    }
    // The Sosa table is ordered by number; a person's number is looked up
    // here. It holds the ancestors of one person: small beside the file.
    const LArray& table = *db_.Tables().sosa;
    for (int i = 1; i <= static_cast<int>(table.GetCount()); ++i) {
      if (table.GetItemSize(i) != sizeof(TV5SosaData)) continue;
      TV5SosaData data;
      std::memcpy(&data, table.GetItemPtr(i), sizeof data);
      TV5Sosa sosa;
      sosa.PokeData(data);
      if (sosa.GetCodeID() != 0 && !sosa.IsZero()) sosa_.emplace(sosa.GetCodeID(), U(sosa.GetText()));
    }
  }

  bool Failed() const { return failed_; }

  void Line(int level, const std::string& tag, const std::string& value = {}, const std::string& xref = {}) {
    // Most values are one short line: written at once, without pieces.
    if (value.size() <= kPiece && level >= 0 && level <= 9 && value.find('\n') == std::string::npos &&
        (value.empty() || value.back() != '\r')) {
      line_.clear();
      line_ += static_cast<char>('0' + level);
      line_ += ' ';
      if (!xref.empty()) {
        line_ += '@';
        line_ += xref;
        line_ += "@ ";
      }
      line_ += tag;
      if (!value.empty()) {
        line_ += ' ';
        line_ += value;
      }
      Emit(line_);
      return;
    }
    std::string head = std::to_string(level) + " ";
    if (!xref.empty()) head += "@" + xref + "@ ";
    head += tag;
    std::size_t start = 0;
    bool first = true;
    // Each line of the value; the first on the tag's line, the others CONT.
    do {
      std::size_t end = value.find('\n', start);
      if (end == std::string::npos) end = value.size();
      // A view that moves along the line: a long note is cut in one pass.
      std::string_view piece(value.data() + start, end - start);
      if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
      std::string prefix = first ? head : std::to_string(level + 1) + " CONT";
      while (piece.size() > kPiece) {
        const std::size_t cut = CutAt(piece, kPiece);
        if (cut == 0) break;
        Emit(prefix + " " + std::string(piece.substr(0, cut)));
        piece.remove_prefix(cut);
        prefix = std::to_string(level + 1) + " CONC";
      }
      Emit(piece.empty() ? prefix : prefix + " " + std::string(piece));
      first = false;
      start = end + 1;
    } while (start <= value.size() && value.find('\n', start - 1) != std::string::npos);
  }

  void Header() {
    const TGHeader& h = db_.Header;
    Line(0, "HEAD");
    Line(1, "SOUR", "GENVORA");
    Line(2, "NAME", "Genvora");
    Line(2, "VERS", "0.1");
    Line(1, "DEST", "ANY");
    Line(1, "DATE", options_.exportDate.empty() ? Today() : options_.exportDate);
    Line(1, "SUBM", "@SUBM1@");
    Line(1, "GEDC");
    Line(2, "VERS", "5.5.1");
    Line(2, "FORM", "LINEAGE-LINKED");
    Line(1, "CHAR", "UTF-8");
    Line(1, "PLAC");
    Line(2, "FORM", "City, Area code, County, Region, Country");
    Line(0, "SUBM", {}, "SUBM1");
    Line(1, "NAME", "Genvora");
    (void)h;
  }

  void Trailer() { Line(0, "TRLR"); }

  void Individual(const TGIndividu& i, const TGNom* nom) override {
    if (options_.exportableOnly && !i.GetExportable()) return;
    ++report_.individuals;
    const CodeID code = i.GetCodeID();
    if (code >= people_.size()) people_.resize(code + (code >> 3) + 1024, false);
    people_[code] = true;
    bool privateLiving = false;
    if (options_.living == GedcomLiving::Private) {
      TFullIndividu full;
      full.EvenementsON = true;
      full.SetFiler(&db_);
      full.SetCodeID(code);
      privateLiving = full.EstVivant();
    }
    Line(0, "INDI", {}, "I" + std::to_string(code));
    const std::string given = Trim(U(i.GetChar(5)));
    // The stored surname, not the shown one: the case the preferences give
    // a surname on screen is no part of the data.
    const SurnameParts& parts = PartsOf(nom, i.GetCodeNom());
    const std::string& full = parts.full;
    const std::string& particle = parts.particle;
    const std::string& surname = parts.surname;
    Line(1, "NAME", Trim(given + " /" + full + "/"));
    if (!U(i.GetPrefixe()).empty()) Line(2, "NPFX", Trim(U(i.GetPrefixe())));
    if (!given.empty()) Line(2, "GIVN", given);
    if (!particle.empty()) Line(2, "SPFX", particle);
    if (!surname.empty()) Line(2, "SURN", surname);
    if (!Trim(U(i.GetChar(7))).empty()) Line(2, "NSFX", Trim(U(i.GetChar(7))));
    if (!Trim(U(i.GetChar(8))).empty()) Line(2, "NICK", Trim(U(i.GetChar(8))));
    Line(1, "SEX", i.GetMasculin() ? "M" : i.GetFeminin() ? "F" : "U");
    if (!privateLiving) {
      if (!Trim(U(i.GetChar(9))).empty()) Line(1, "TITL", Trim(U(i.GetChar(9))));
      if (!Trim(U(i.GetChar(6))).empty()) Line(1, "OCCU", Trim(U(i.GetChar(6))));
      Address(i.GetCodeAdresse());
      Events(code, 1);
      for (int f = 0; f < TGHeader::kUserFieldCount; ++f) {
        const std::string value = Trim(U(i.GetUserFieldValue(f)));
        if (!value.empty()) Line(1, userTags_[f], value);
      }
      Associations(code);
      NoteLink(code, 1);
      MediaLinks(code, 1);
    }
    // Families: as a child, then as a spouse.
    CodeID pere = 0, mere = 0;
    if (walk_.ParentsOf(code, pere, mere) && (pere != 0 || mere != 0)) {
      const CodeID u = pere != 0 && mere != 0 ? db_.Tables().unions->UnionCouple(pere, mere) : 0;
      if (u == 0) Line(1, "FAMC", "@" + ParentsFamily(pere, mere) + "@");
      else if (UnionWritten(u)) Line(1, "FAMC", "@F" + std::to_string(u) + "@");
    }
    unions_.clear();
    db_.Tables().unions->LesUnionsDe(i.GetMasculin() ? code : 0, i.GetMasculin() ? 0 : code, unions_);
    if (unions_.empty()) db_.Tables().unions->LesUnionsDe(i.GetMasculin() ? 0 : code, i.GetMasculin() ? code : 0, unions_);
    for (const CodeID u : unions_)
      if (UnionWritten(u)) Line(1, "FAMS", "@F" + std::to_string(u) + "@");
    // Children whose parents have no union: a family of the two parents
    // (one may be unknown), named by them.
    walk_.AllChildrenOf(code, children_);
    std::vector<std::string> without;
    // Most children share their parents' union with their siblings: the
    // last couple's answer is kept, and the union is asked before the
    // child's record is decoded.
    CodeID lastFather = 0, lastMother = 0, lastUnion = 0;
    for (const CodeID child : children_) {
      CodeID p = 0, m = 0;
      if (!walk_.ParentsOf(child, p, m) || (p != code && m != code)) continue;
      if (p != 0 && m != 0) {
        if (p != lastFather || m != lastMother) {
          lastFather = p;
          lastMother = m;
          lastUnion = db_.Tables().unions->UnionCouple(p, m);
        }
        if (lastUnion != 0) continue;
      }
      if (!PersonWritten(child)) continue;
      const std::string family = ParentsFamily(p, m);
      if (std::find(without.begin(), without.end(), family) == without.end()) without.push_back(family);
    }
    std::sort(without.begin(), without.end());
    for (const std::string& family : without) Line(1, "FAMS", "@" + family + "@");
    if (!privateLiving) {
      const auto sosa = sosa_.find(code);
      if (sosa != sosa_.end()) {
        Line(1, "REFN", sosa->second);
        Line(2, "TYPE", "Sosa");
      }
    }
    Line(1, "RIN", std::to_string(code));
    Change(i.GetDateModification());
  }

  void Union(const TGUnion& u) override {
    peopleDone_ = true;
    if (!Keeps(u)) return;
    ++report_.families;
    const CodeID code = u.GetCodeID();
    Line(0, "FAM", {}, "F" + std::to_string(code));
    if (PersonWritten(u.GetEpoux())) Line(1, "HUSB", "@I" + std::to_string(u.GetEpoux()) + "@");
    if (PersonWritten(u.GetEpouse())) Line(1, "WIFE", "@I" + std::to_string(u.GetEpouse()) + "@");
    if (u.GetEpoux() != 0 && u.GetEpouse() != 0 &&
        db_.Tables().unions->UnionCouple(u.GetEpoux(), u.GetEpouse()) == code) {
      walk_.ChildrenOf(u.GetEpoux(), u.GetEpouse(), children_);
      for (const CodeID c : children_)
        if (PersonWritten(c)) Line(1, "CHIL", "@I" + std::to_string(c) + "@");
    }
    Events(code, 1);
    NoteLink(code, 1);
    MediaLinks(code, 1);
    Line(1, "RIN", std::to_string(code));
    Change(u.GetDateModification());
  }

  // The family of parents without a union, written with the first of their
  // children in the user's order.
  void Child(const ChildRow& c) override {
    peopleDone_ = true;
    if (c.unionCode != 0 || c.position != 1) return;
    walk_.ChildrenOf(c.father, c.mother, children_);
    std::vector<CodeID> written;
    for (const CodeID child : children_)
      if (PersonWritten(child)) written.push_back(child);
    // Without a child left, no family: its parents name none.
    if (written.empty()) return;
    ++report_.families;
    Line(0, "FAM", {}, ParentsFamily(c.father, c.mother));
    if (PersonWritten(c.father)) Line(1, "HUSB", "@I" + std::to_string(c.father) + "@");
    if (PersonWritten(c.mother)) Line(1, "WIFE", "@I" + std::to_string(c.mother) + "@");
    for (const CodeID child : written) Line(1, "CHIL", "@I" + std::to_string(child) + "@");
  }

  void Document(TGDocument& d) override {
    if (options_.exportableOnly && !d.Exportable()) return;
    ++report_.sources;
    const CodeID code = d.GetCodeID();
    Line(0, "SOUR", {}, "S" + std::to_string(code));
    std::string title = Trim(U(d.GetText(TGDocument::kDocument)));
    if (title.empty()) title = Trim(U(d.GetText(TGDocument::kSource)));
    if (!title.empty()) Line(1, "TITL", title);
    if (!Trim(U(d.GetAuteur())).empty()) Line(1, "AUTH", Trim(U(d.GetAuteur())));
    std::string publ = Trim(U(d.GetText(TGDocument::kArchive)));
    const std::string cote = Trim(U(d.GetText(TGDocument::kCote)));
    if (!cote.empty()) publ += publ.empty() ? cote : ", " + cote;
    if (!publ.empty()) Line(1, "PUBL", publ);
    if (!Trim(U(d.GetText(TGDocument::kTexte4))).empty()) Line(1, "TEXT", Trim(U(d.GetText(TGDocument::kTexte4))));
    // The document's type, with its number, as the source's user reference:
    // readers keep it as an attribute of the source (a typed reference's
    // TYPE line, and the events a source records, they drop).
    const std::string type = Trim(U(d.TypeActeTextGedcom()));
    const std::string number = Trim(U(d.GetText(TGDocument::kNumero)));
    if (!type.empty() || !number.empty()) Line(1, "REFN", type.empty() ? number : number.empty() ? type : type + " " + number);
    NoteLink(code, 1);
    MediaLinks(code, 1);
    Line(1, "RIN", std::to_string(code));
  }

  void Media(TGMedia& m) override {
    if (options_.exportableOnly && !m.Exportable()) return;
    ++report_.media;
    const CodeID code = m.GetCodeID();
    Line(0, "OBJE", {}, "M" + std::to_string(code));
    std::string path = U(m.GetOriginalFullPath());
    for (char& c : path)
      if (c == '\\') c = '/';
    Line(1, "FILE", path.empty() ? "unknown" : path);
    std::string ext = std::filesystem::path(path).extension().string();
    ext = ext.empty() ? "unknown" : ext.substr(1);
    for (char& c : ext)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    Line(2, "FORM", ext);
    const std::string title = Trim(U(m.GetSecondText()));
    if (!title.empty()) Line(2, "TITL", title);
    Line(1, "RIN", std::to_string(code));
  }

  void Note(CodeID owner, NoteKind kind, const TVGNote& n) override {
    if (kind != NoteKind::Note || !Referenced(owner)) return;
    ++report_.notes;
    Line(0, "NOTE", PlainNote(n), "N" + std::to_string(owner));
  }

  void Damaged(const std::string& table, CodeID code, const AnsiString& reason) override {
    report_.damaged.push_back(GedcomExportReport::Damage{table, code, reason});
  }

 private:
  // A surname as the NAME lines write it: the stored text, its particle and
  // the rest.
  struct SurnameParts {
    std::string full, particle, surname;
  };
  // Worked out once per surname (its particle comes from the splitter) for
  // its thousands of bearers; a bounded number are kept.
  // `code` is the individual's surname code, which the walk decoded `nom`
  // from.
  const SurnameParts& PartsOf(const TGNom* nom, CodeID code) {
    static const SurnameParts kNone;
    if (nom == nullptr) return kNone;
    auto found = surnameParts_.find(code);
    if (found != surnameParts_.end()) return found->second;
    SurnameParts parts;
    parts.full = Trim(U(nom->GetStoredNom()));
    parts.particle = Trim(U(nom->GetParticule()));
    parts.surname = parts.full;
    if (!parts.particle.empty() && parts.full.compare(0, parts.particle.size(), parts.particle) == 0)
      parts.surname = Trim(parts.full.substr(parts.particle.size()));
    constexpr std::size_t kKept = 1 << 16;
    if (surnameParts_.size() >= kKept) surnameParts_.clear();
    return surnameParts_.emplace(code, std::move(parts)).first->second;
  }

  void Emit(const std::string& line) {
    if (failed_) return;
    ++report_.lines;
    out_.Write(line);
    out_.Put('\n');
    if (out_.Failed()) failed_ = true;
  }

  // Lines lose their trailing blanks: readers drop them at a line's end.
  static std::string PlainNote(const TVGNote& n) {
    const std::string text = Trim(U(ConvertRtfText(n.GetNoteRTF(), ConvertRtfActionTo::Text)));
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t')) line.pop_back();
      if (start != 0) out += '\n';
      out += line;
      start = end + 1;
    }
    return out;
  }

  // The person's address on the person, not as a residence event: an
  // address is no fact of a life, and readers keep it as an address.
  void Address(CodeID code) {
    TGAdresse a;
    if (code == 0 || !RecordWalk::Read(a, *db_.Tables().dicoAdresses, code)) return;
    const auto text = [&](int field) { return Trim(U(a.GetTexte(field))); };
    std::string lines;
    for (const int field : {TGAdresse::kAdresse1, TGAdresse::kAdresse2}) {
      if (text(field).empty()) continue;
      if (!lines.empty()) lines += "\n";
      lines += text(field);
    }
    const std::string city = Trim(text(TGAdresse::kCodePostal) + " " + text(TGAdresse::kVille));
    if (!city.empty()) lines += (lines.empty() ? "" : "\n") + city;
    if (lines.empty() && text(TGAdresse::kPays).empty()) return;
    Line(1, "ADDR", lines);
    if (!text(TGAdresse::kVille).empty()) Line(2, "CITY", text(TGAdresse::kVille));
    if (!text(TGAdresse::kCodePostal).empty()) Line(2, "POST", text(TGAdresse::kCodePostal));
    if (!text(TGAdresse::kPays).empty()) Line(2, "CTRY", text(TGAdresse::kPays));
    if (!text(TGAdresse::kTel).empty()) Line(1, "PHON", text(TGAdresse::kTel));
    if (!text(TGAdresse::kEMail).empty()) Line(1, "EMAIL", text(TGAdresse::kEMail));
  }

  static std::string ParentsFamily(CodeID father, CodeID mother) {
    return "P" + std::to_string(father) + "_" + std::to_string(mother);
  }

  bool Keeps(const TGUnion& u) const { return !options_.exportableOnly || u.GetExportable(); }

  // After the individuals' walk, the persons written are known; before it,
  // a person is written when its record decodes (and is exportable).
  bool PersonWritten(CodeID code) {
    if (code < people_.size() && people_[code]) return true;
    if (peopleDone_ || code == 0) return false;
    std::uint8_t& known = Known(peopleAhead_, code);
    if (known == kUnknown) {
      TGIndividu i;
      const bool kept = RecordWalk::Read(i, *db_.Tables().individus, code) && (!options_.exportableOnly || i.GetExportable());
      known = kept ? kWritten : kLeftOut;
    }
    return known == kWritten;
  }

  bool UnionWritten(CodeID code) {
    if (code == 0) return false;
    std::uint8_t& known = Known(unionsWritten_, code);
    if (known == kUnknown) {
      TGUnion u;
      known = RecordWalk::Read(u, *db_.Tables().unions, code) && Keeps(u) ? kWritten : kLeftOut;
    }
    return known == kWritten;
  }

  // Whether a record is written, asked once per code: a person's family
  // pointers ask it of the same spouses, children and unions again and
  // again, and each answer is a decoding.
  enum : std::uint8_t { kUnknown, kWritten, kLeftOut };
  static std::uint8_t& Known(std::vector<std::uint8_t>& known, CodeID code) {
    if (code >= known.size()) known.resize(code + (code >> 3) + 1024, kUnknown);
    return known[code];
  }

  void Change(double modified) {
    const std::string day = DayOfSerial(modified);
    if (day.empty()) return;
    Line(1, "CHAN");
    Line(2, "DATE", day);
  }

  // The note of `owner`, as a pointer to its NOTE record, written when the
  // notes are walked.
  void NoteLink(CodeID owner, int level) {
    TVGNote note;
    if (!RecordWalk::Read(note, *db_.Tables().notes, owner)) return;
    if (options_.exportableOnly && !note.GetExportable()) return;
    if (PlainNote(note).empty()) return;
    if (owner >= referenced_.size()) referenced_.resize(owner + 1024, false);
    referenced_[owner] = true;
    Line(level, "NOTE", "@N" + std::to_string(owner) + "@");
  }

  bool Referenced(CodeID owner) const { return owner < referenced_.size() && referenced_[owner]; }

  void MediaLinks(CodeID owner, int level) {
    walk_.MediaOf(owner, mediaLinks_);
    for (const TGLienMedia& link : mediaLinks_) {
      TGMedia m;
      if (!RecordWalk::Read(m, *db_.Tables().medias, link.GetXREFMedia())) continue;
      if (options_.exportableOnly && !m.Exportable()) continue;
      Line(level, "OBJE", "@M" + std::to_string(link.GetXREFMedia()) + "@");
    }
  }

  void Citations(CodeID event, int level) {
    walk_.CitationsOf(event, citations_);
    for (const auto& [document, linkCode] : citations_) {
      TGDocument d;
      if (!RecordWalk::Read(d, *db_.Tables().documents, document)) continue;
      if (options_.exportableOnly && !d.Exportable()) continue;
      Line(level, "SOUR", "@S" + std::to_string(document) + "@");
      TGLienDocument citation;
      if (linkCode != 0 && RecordWalk::Read(citation, *db_.Tables().DocumentLiens(), linkCode)) {
        const std::string page = Trim(U(citation.GetCitation()));
        if (!page.empty()) Line(level + 1, "PAGE", page);
      }
      if (d.GetCertitude() >= 0 && d.GetCertitude() <= 3) Line(level + 1, "QUAY", std::to_string(d.GetCertitude()));
    }
  }

  std::string PlaceText(CodeID code, double& lat, double& lon) {
    lat = lon = 0.0;
    if (code == 0) return {};
    auto found = places_.find(code);
    if (found == places_.end()) {
      TGLieu lieu;
      PlaceCache entry;
      if (RecordWalk::Read(lieu, *db_.Tables().dicoLieux, code)) {
        entry.text = Trim(U(lieu.GetTextGedcom()));
        entry.lat = lieu.GetLatitude();
        entry.lon = lieu.GetLongitude();
      }
      found = places_.emplace(code, entry).first;
    }
    lat = found->second.lat;
    lon = found->second.lon;
    return found->second.text;
  }

  static std::string Coordinate(double v, char positive, char negative) {
    char text[32];
    std::snprintf(text, sizeof text, "%c%.6f", v < 0 ? negative : positive, std::fabs(v));
    return text;
  }

  void Events(CodeID owner, int level) {
    std::vector<CodeID> events;
    walk_.EventsOf(owner, events);
    for (const CodeID code : events) {
      TGEvenement e;
      if (!RecordWalk::Read(e, *db_.Tables().evenements, code)) continue;
      if (options_.exportableOnly && !e.GetExportable()) continue;
      const int type = static_cast<int>(e.GetType());
      // A religious marriage is a marriage of its own kind.
      const char* tag = e.GetType() == evUMARREL ? "MARR" : GedcomEventTag(e.GetType());
      std::string typeText = e.GetType() == evUMARREL ? Trim(U(e.GetTypeStr())) : std::string();
      // A generic event says what it is, as a type without a tag does.
      if (tag != nullptr && std::string_view(tag) == "EVEN") tag = nullptr;
      if (tag == nullptr) {
        const bool ownTitle = type == 36 || type == 37 || (type >= 40 && type <= 53);
        typeText = Trim(U(ownTitle ? e.GetTitre() : e.GetTypeStr()));
        if (typeText.empty()) typeText = Trim(U(e.GetTypeStr()));
      }
      const std::string date = GedcomDate(*e.GetDate());
      Line(level, tag != nullptr ? tag : "EVEN");
      if (!typeText.empty()) Line(level + 1, "TYPE", typeText);
      if (!date.empty()) Line(level + 1, "DATE", date);
      double lat = 0.0, lon = 0.0;
      std::string place = PlaceText(e.GetDicoLieu(), lat, lon);
      const std::string subdivision = Trim(U(e.GetSubdivision()));
      if (!subdivision.empty()) place = place.empty() ? subdivision : subdivision + ", " + place;
      if (!place.empty()) {
        Line(level + 1, "PLAC", place);
        if (lat != 0.0 || lon != 0.0) {
          Line(level + 2, "MAP");
          Line(level + 3, "LATI", Coordinate(lat, 'N', 'S'));
          Line(level + 3, "LONG", Coordinate(lon, 'E', 'W'));
        }
      }
      const std::string age = Trim(U(e.GetAgeSurActe()));
      if (!age.empty()) Line(level + 1, "AGE", age);
      const std::string cause = Trim(U(e.GetCause()));
      if (!cause.empty()) Line(level + 1, "CAUS", cause);
      NoteLink(code, level + 1);
      Citations(code, level + 1);
    }
  }

  // Links from the person: to another person, an ASSO naming them; to a
  // shared event (a witness...), an ASSO naming the event's owner, whose
  // RELA says the role and the event. Readers keep an association on the
  // person; one under another person's event they drop.
  void Associations(CodeID person) {
    std::vector<CodeID> links;
    db_.Tables().liens->LesLiensDe(person, links, llDe);
    for (const CodeID code : links) {
      TGLien lien;
      if (!RecordWalk::Read(lien, *db_.Tables().liens, code) || lien.GetLienDe() != person) continue;
      std::string role = Trim(U(lien.GetTitre()));
      CodeID other = lien.GetLienVers();
      if (lien.GetType() > TGTableLiens::kPremierTypeEvenement) {
        TGEvenement e;
        if (!RecordWalk::Read(e, *db_.Tables().evenements, other)) continue;
        if (options_.exportableOnly && !e.GetExportable()) continue;
        other = e.GetProprietaire();
        std::string what = Trim(U(e.GetTypeStr()));
        const std::string date = GedcomDate(*e.GetDate());
        if (!date.empty()) what += " " + date;
        role = (role.empty() ? std::string("Witness") : role) + ": " + what;
        if (db_.EstUnion(other)) {
          // A union's event: the association names the husband, else the wife.
          TGUnion u;
          if (!RecordWalk::Read(u, *db_.Tables().unions, other)) continue;
          other = PersonWritten(u.GetEpoux()) ? u.GetEpoux() : u.GetEpouse();
        }
      }
      if (other == person || !PersonWritten(other)) continue;
      Line(1, "ASSO", "@I" + std::to_string(other) + "@");
      Line(2, "RELA", role.empty() ? "Relation" : role);
    }
  }

  struct PlaceCache {
    std::string text;
    double lat = 0.0, lon = 0.0;
  };

  BackgroundWrite& out_;
  RecordWalk& walk_;
  TGDatabase& db_;
  const GedcomExportOptions& options_;
  GedcomExportReport& report_;
  bool failed_ = false;
  std::vector<bool> referenced_;
  // One bit per code: the persons written, for the families' pointers.
  std::vector<bool> people_;
  bool peopleDone_ = false;
  std::vector<std::uint8_t> peopleAhead_, unionsWritten_;
  std::vector<CodeID> unions_, children_;
  std::vector<TGLienMedia> mediaLinks_;
  std::vector<std::pair<CodeID, CodeID>> citations_;
  std::vector<ParticipantRow> participants_;
  std::unordered_map<CodeID, PlaceCache> places_;
  std::string userTags_[TGHeader::kUserFieldCount];
  std::string line_;
  std::unordered_map<CodeID, std::string> sosa_;
  std::unordered_map<CodeID, SurnameParts> surnameParts_;
};

}  // namespace

std::string GedcomDate(const TGDate& date) {
  if (date.EstVide()) return {};
  std::string text = Trim(U(date.GetChaine("%GED")));
  // The engine's form keeps a keyword's own space before the date's.
  std::string single;
  for (const char c : text)
    if (!(c == ' ' && !single.empty() && single.back() == ' ')) single += c;
  if (!date.IsValid() || single.empty()) {
    const std::string phrase = Trim(U(date.GetText()));
    return phrase.empty() ? std::string() : "(" + phrase + ")";
  }
  return single;
}

bool ExportGedcom(TGDatabase& db, const std::string& outPath, const GedcomExportOptions& options,
                  GedcomExportReport& report, std::string& error) {
  if (!CheckExportOutput(outPath, options.replace, error)) return false;
  const std::string temporary = TemporaryBeside(outPath);
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot be written";
    return false;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, std::fclose);
  // The lines gather in chunks that a second thread writes while the walk
  // goes on: the stream's own buffer would only copy them once more.
  std::setvbuf(file, nullptr, _IONBF, 0);
  bool ok = true;
  {
    BackgroundWrite out(file);
    RecordWalk walk(db);
    Writer writer(out, walk, options, report);
    writer.Header();
    walk.Walk(writer);
    writer.Trailer();
    ok = out.Finish() && !writer.Failed();
  }
  ok = std::fclose(closer.release()) == 0 && ok;
  if (!ok) {
    std::remove(temporary.c_str());
    error = "cannot be written";
    return false;
  }
  return PublishExport(temporary, outPath, options.replace, error);
}

}  // namespace genvora
