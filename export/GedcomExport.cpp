// The GEDCOM exporter.
#include "export/GedcomExport.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "computations/TFullIndividu.h"
#include "export/BackgroundWrite.h"
#include "export/ExportOutput.h"
#include "export/GedcomTags.h"
#include "export/RecordWalk.h"
#include "platform/Encoding.h"
#include "tables/FlatCodeMap.h"
#include "utilities/RichText.h"

namespace genvora {

namespace {

// One small value per record code, `kNone` until set. The codes of a sound
// file stay below a few times its record count, so a flat array indexed by
// code serves them; a damaged record may name any 32-bit code, and a code
// beyond the flat part goes to a map instead of growing the array to
// gigabytes. Reads may come from several threads once the writes are over;
// a reference from At() lasts until the next At().
class PerCode {
 public:
  static constexpr std::uint8_t kNone = 0;

  std::uint8_t Get(CodeID code) const {
    if (code < flat_.size()) return flat_[code];
    if (code < kFlat) return kNone;
    const std::uint8_t* found = beyond_.find(code);
    return found == nullptr ? kNone : *found;
  }
  std::uint8_t& At(CodeID code) {
    if (code >= kFlat) return *beyond_.emplace(code, kNone).first;
    if (code >= flat_.size()) flat_.resize(std::min<std::size_t>(kFlat, code + (code >> 3) + 1024), kNone);
    return flat_[code];
  }

 private:
  // 64 MB at most: twelve times the codes a million-person file uses.
  static constexpr CodeID kFlat = 1u << 26;
  std::vector<std::uint8_t> flat_;
  FlatCodeMap<std::uint8_t> beyond_;
};

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

// The family of two parents without a union, named by them.
std::string ParentsFamily(CodeID father, CodeID mother) {
  return "P" + std::to_string(father) + "_" + std::to_string(mother);
}

bool KeepsUnion(const GedcomExportOptions& options, const TGUnion& u) {
  return !options.exportableOnly || u.GetExportable();
}

// A surname as the NAME lines write it: the stored text, its particle and
// the rest.
struct SurnameParts {
  std::string full, particle, surname;
};

// What every formatter reads and none changes.
struct Shared {
  std::string userTags[TGHeader::kUserFieldCount];
  std::unordered_map<CodeID, std::string> sosa;
};

// Makes the lines of records. Each thread that writes has its own: the
// caches of its lookups, its scratch lists and the lines it has made, which
// the writer takes in file order. It only reads the database.
class Formatter {
 public:
  Formatter(RecordWalk& walk, const GedcomExportOptions& options, const Shared& shared)
      : walk_(walk), db_(walk.Database()), options_(options), shared_(shared) {}

  // The lines made so far, the count of them and the owners of the notes
  // they point at: the writer takes them.
  std::string text;
  std::uint64_t lines = 0;
  std::vector<CodeID> notes;

  // After the individuals' walk, whether a person is written is read from
  // the persons written instead of decoding them.
  void PersonsKnown(const PerCode* people) { people_ = people; }

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

  // `parts` is the person's surname; `privateLiving` keeps only the names
  // and the families of a living person.
  void Individual(const TGIndividu& i, const SurnameParts& parts, bool privateLiving) {
    const CodeID code = i.GetCodeID();
    peopleAhead_.At(code) = kWritten;
    Line(0, "INDI", {}, "I" + std::to_string(code));
    const std::string given = Trim(U(i.GetChar(5)));
    // The stored surname, not the shown one: the case the preferences give
    // a surname on screen is no part of the data.
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
        if (!value.empty()) Line(1, shared_.userTags[f], value);
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
      const auto sosa = shared_.sosa.find(code);
      if (sosa != shared_.sosa.end()) {
        Line(1, "REFN", sosa->second);
        Line(2, "TYPE", "Sosa");
      }
    }
    Line(1, "RIN", std::to_string(code));
    Change(i.GetDateModification());
  }

  void Union(const TGUnion& u) {
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
  // children in the user's order; false when no child of theirs is written.
  bool ParentsWithoutUnion(const ChildRow& c) {
    walk_.ChildrenOf(c.father, c.mother, children_);
    std::vector<CodeID> written;
    for (const CodeID child : children_)
      if (PersonWritten(child)) written.push_back(child);
    // Without a child left, no family: its parents name none.
    if (written.empty()) return false;
    Line(0, "FAM", {}, ParentsFamily(c.father, c.mother));
    if (PersonWritten(c.father)) Line(1, "HUSB", "@I" + std::to_string(c.father) + "@");
    if (PersonWritten(c.mother)) Line(1, "WIFE", "@I" + std::to_string(c.mother) + "@");
    for (const CodeID child : written) Line(1, "CHIL", "@I" + std::to_string(child) + "@");
    return true;
  }

  void Document(TGDocument& d) {
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

  void Media(TGMedia& m) {
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

  void Note(CodeID owner, const TVGNote& n) { Line(0, "NOTE", PlainNote(n), "N" + std::to_string(owner)); }

 private:
  void Emit(const std::string& line) {
    ++lines;
    text += line;
    text += '\n';
  }

  // Lines lose their trailing blanks: readers drop them at a line's end.
  static std::string PlainNote(const TVGNote& n) {
    const std::string plain = Trim(U(ConvertRtfText(n.GetNoteRTF(), ConvertRtfActionTo::Text)));
    std::string out;
    std::size_t start = 0;
    while (start <= plain.size()) {
      std::size_t end = plain.find('\n', start);
      if (end == std::string::npos) end = plain.size();
      std::string line = plain.substr(start, end - start);
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
    const auto field = [&](int which) { return Trim(U(a.GetTexte(which))); };
    std::string lines;
    for (const int which : {TGAdresse::kAdresse1, TGAdresse::kAdresse2}) {
      if (field(which).empty()) continue;
      if (!lines.empty()) lines += "\n";
      lines += field(which);
    }
    const std::string city = Trim(field(TGAdresse::kCodePostal) + " " + field(TGAdresse::kVille));
    if (!city.empty()) lines += (lines.empty() ? "" : "\n") + city;
    if (lines.empty() && field(TGAdresse::kPays).empty()) return;
    Line(1, "ADDR", lines);
    if (!field(TGAdresse::kVille).empty()) Line(2, "CITY", field(TGAdresse::kVille));
    if (!field(TGAdresse::kCodePostal).empty()) Line(2, "POST", field(TGAdresse::kCodePostal));
    if (!field(TGAdresse::kPays).empty()) Line(2, "CTRY", field(TGAdresse::kPays));
    if (!field(TGAdresse::kTel).empty()) Line(1, "PHON", field(TGAdresse::kTel));
    if (!field(TGAdresse::kEMail).empty()) Line(1, "EMAIL", field(TGAdresse::kEMail));
  }

  // After the individuals' walk, the persons written are known; before it,
  // a person is written when its record decodes (and is exportable).
  bool PersonWritten(CodeID code) {
    if (code == 0) return false;
    if (people_ != nullptr) return people_->Get(code) != PerCode::kNone;
    std::uint8_t& known = peopleAhead_.At(code);
    if (known == kUnknown) {
      TGIndividu i;
      const bool kept = RecordWalk::Read(i, *db_.Tables().individus, code) && (!options_.exportableOnly || i.GetExportable());
      known = kept ? kWritten : kLeftOut;
    }
    return known == kWritten;
  }

  bool UnionWritten(CodeID code) {
    if (code == 0) return false;
    std::uint8_t& known = unionsWritten_.At(code);
    if (known == kUnknown) {
      TGUnion u;
      known = RecordWalk::Read(u, *db_.Tables().unions, code) && KeepsUnion(options_, u) ? kWritten : kLeftOut;
    }
    return known == kWritten;
  }

  // Whether a record is written, asked once per code: a person's family
  // pointers ask it of the same spouses, children and unions again and
  // again, and each answer is a decoding.
  enum : std::uint8_t { kUnknown = PerCode::kNone, kWritten, kLeftOut };

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
    notes.push_back(owner);
    Line(level, "NOTE", "@N" + std::to_string(owner) + "@");
  }

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
    char out[32];
    std::snprintf(out, sizeof out, "%c%.6f", v < 0 ? negative : positive, std::fabs(v));
    return out;
  }

  void Events(CodeID owner, int level) {
    walk_.EventsOf(owner, events_);
    for (const CodeID code : events_) {
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
    links_.clear();
    db_.Tables().liens->LesLiensDe(person, links_, llDe);
    for (const CodeID code : links_) {
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

  RecordWalk& walk_;
  TGDatabase& db_;
  const GedcomExportOptions& options_;
  const Shared& shared_;
  const PerCode* people_ = nullptr;
  PerCode peopleAhead_, unionsWritten_;
  std::vector<CodeID> unions_, children_, events_, links_;
  std::vector<TGLienMedia> mediaLinks_;
  std::vector<std::pair<CodeID, CodeID>> citations_;
  std::unordered_map<CodeID, PlaceCache> places_;
  std::string line_;
};

// The persons, then the unions, written on several threads. The walk hands
// them in its order; they go out in batches, each made whole by one thread,
// and the batches reach the file in the order they were handed, so the file
// is the same whatever the number of threads.
class RecordThreads {
 public:
  struct Person {
    TGIndividu record;
    SurnameParts surname;
    bool privateLiving = false;
  };
  struct Batch {
    std::vector<Person> persons;
    std::vector<TGUnion> unions;
    std::size_t Size() const { return persons.size() + unions.size(); }
    std::string text;
    std::uint64_t lines = 0;
    std::vector<CodeID> notes;
    std::exception_ptr error;
    bool done = false;
  };
  // A batch is large enough that handing it costs little beside its
  // lines, small enough that the threads share the last ones.
  static constexpr std::size_t kBatch = 256;

  RecordThreads(unsigned threads, RecordWalk& walk, const GedcomExportOptions& options, const Shared& shared) {
    for (unsigned t = 0; t < threads; ++t) formatters_.push_back(std::make_unique<Formatter>(walk, options, shared));
    for (unsigned t = 0; t < threads; ++t) threads_.emplace_back([this, t] { Run(*formatters_[t]); });
  }
  ~RecordThreads() { Stop(); }
  RecordThreads(const RecordThreads&) = delete;
  RecordThreads& operator=(const RecordThreads&) = delete;

  // Call with every batch taken: the threads wait for work, and the next
  // batch handed publishes this to them.
  void PersonsKnown(const PerCode* people) {
    for (auto& formatter : formatters_) formatter->PersonsKnown(people);
  }

  void Hand(std::unique_ptr<Batch> batch) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      waiting_.push_back(batch.get());
      order_.push_back(std::move(batch));
    }
    work_.notify_one();
  }
  // The oldest batch handed and not yet taken: null when there is none, or
  // when it is not done and `wait` is false.
  std::unique_ptr<Batch> Oldest(bool wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (order_.empty()) return nullptr;
    if (!order_.front()->done) {
      if (!wait) return nullptr;
      done_.wait(lock, [&] { return order_.front()->done; });
    }
    std::unique_ptr<Batch> oldest = std::move(order_.front());
    order_.pop_front();
    return oldest;
  }
  std::size_t Handed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return order_.size();
  }
  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      waiting_.clear();
    }
    work_.notify_all();
    for (std::thread& t : threads_)
      if (t.joinable()) t.join();
  }

 private:
  void Run(Formatter& formatter) {
    for (;;) {
      Batch* batch = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        work_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
        if (waiting_.empty()) return;
        batch = waiting_.front();
        waiting_.pop_front();
      }
      formatter.text.clear();
      formatter.lines = 0;
      formatter.notes.clear();
      try {
        for (const Person& p : batch->persons) formatter.Individual(p.record, p.surname, p.privateLiving);
        for (const TGUnion& u : batch->unions) formatter.Union(u);
      } catch (...) {
        batch->error = std::current_exception();
      }
      batch->text.swap(formatter.text);
      batch->lines = formatter.lines;
      batch->notes.swap(formatter.notes);
      batch->persons.clear();
      batch->unions.clear();
      {
        std::lock_guard<std::mutex> lock(mutex_);
        batch->done = true;
      }
      done_.notify_all();
    }
  }

  std::vector<std::unique_ptr<Formatter>> formatters_;
  mutable std::mutex mutex_;
  std::condition_variable work_, done_;
  std::deque<Batch*> waiting_;
  std::deque<std::unique_ptr<Batch>> order_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// The walk's visitor: keeps what the records share (the persons written,
// the notes pointed at, the report) and hands the lines to the file in the
// walk's order.
class Writer : public RecordVisitor {
 public:
  Writer(BackgroundWrite& out, RecordWalk& walk, const GedcomExportOptions& options, GedcomExportReport& report)
      : out_(out), walk_(walk), db_(walk.Database()), options_(options), report_(report), main_(walk, options, shared_) {
    for (int f = 0; f < TGHeader::kUserFieldCount; ++f) {
      const std::string tag = Trim(U(db_.Header.GetUserFieldTagGedcom(f)));
      shared_.userTags[f] = tag.empty() ? "_USER" + std::to_string(f + 1) : tag;
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
      if (sosa.GetCodeID() != 0 && !sosa.IsZero()) shared_.sosa.emplace(sosa.GetCodeID(), U(sosa.GetText()));
    }
    // At most eight: each thread holds a stack and an allocation arena, and
    // the export shares the batches' order among them.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    threads_ = std::min(options.threads != 0 ? options.threads : cores, 8u);
  }

  bool Failed() const { return failed_; }

  void Header() {
    main_.Line(0, "HEAD");
    main_.Line(1, "SOUR", "GENVORA");
    main_.Line(2, "NAME", "Genvora");
    main_.Line(2, "VERS", "0.1");
    main_.Line(1, "DEST", "ANY");
    main_.Line(1, "DATE", options_.exportDate.empty() ? Today() : options_.exportDate);
    main_.Line(1, "SUBM", "@SUBM1@");
    main_.Line(1, "GEDC");
    main_.Line(2, "VERS", "5.5.1");
    main_.Line(2, "FORM", "LINEAGE-LINKED");
    main_.Line(1, "CHAR", "UTF-8");
    main_.Line(1, "PLAC");
    main_.Line(2, "FORM", "City, Area code, County, Region, Country");
    main_.Line(0, "SUBM", {}, "SUBM1");
    main_.Line(1, "NAME", "Genvora");
    Take(main_);
  }

  void Trailer() {
    UnionsDone();
    main_.Line(0, "TRLR");
    Take(main_);
  }

  void Individual(const TGIndividu& i, const TGNom* nom) override {
    if (options_.exportableOnly && !i.GetExportable()) return;
    ++report_.individuals;
    const CodeID code = i.GetCodeID();
    people_.At(code) = 1;
    bool privateLiving = false;
    if (options_.living == GedcomLiving::Private) {
      TFullIndividu full;
      full.EvenementsON = true;
      full.SetFiler(&db_);
      full.SetCodeID(code);
      privateLiving = full.EstVivant();
    }
    const SurnameParts& parts = PartsOf(nom, i.GetCodeNom());
    if (threads_ <= 1) {
      main_.Individual(i, parts, privateLiving);
      TakeSome();
      return;
    }
    Batched().persons.push_back(RecordThreads::Person{i, parts, privateLiving});
    HandIfFull();
  }

  void Union(const TGUnion& u) override {
    PersonsDone();
    if (!KeepsUnion(options_, u)) return;
    ++report_.families;
    if (threads_ <= 1) {
      main_.Union(u);
      TakeSome();
      return;
    }
    Batched().unions.push_back(u);
    HandIfFull();
  }

  void Child(const ChildRow& c) override {
    UnionsDone();
    if (c.unionCode != 0 || c.position != 1) return;
    if (main_.ParentsWithoutUnion(c)) ++report_.families;
    TakeSome();
  }

  void Document(TGDocument& d) override {
    UnionsDone();
    if (options_.exportableOnly && !d.Exportable()) return;
    ++report_.sources;
    main_.Document(d);
    TakeSome();
  }

  void Media(TGMedia& m) override {
    UnionsDone();
    if (options_.exportableOnly && !m.Exportable()) return;
    ++report_.media;
    main_.Media(m);
    TakeSome();
  }

  void Note(CodeID owner, NoteKind kind, const TVGNote& n) override {
    UnionsDone();
    // The notes pointed at by the lines made so far.
    Take(main_);
    if (kind != NoteKind::Note || !Referenced(owner)) return;
    ++report_.notes;
    main_.Note(owner, n);
    TakeSome();
  }

  void Damaged(const std::string& table, CodeID code, const AnsiString& reason) override {
    report_.damaged.push_back(GedcomExportReport::Damage{table, code, reason});
  }

  // The threads look families up through the walk: the batches still
  // handed (a file with persons or unions and nothing visited after them)
  // are written before its lookups end.
  void WalkDone() override { UnionsDone(); }

 private:
  // Lines gather in a formatter up to this size before they reach the file.
  static constexpr std::size_t kTaken = 64 * 1024;
  // Batches handed per thread before the walk waits for the oldest.
  static constexpr std::size_t kAhead = 4;

  RecordThreads::Batch& Batched() {
    if (!pool_) StartThreads();
    if (!filling_) filling_ = std::make_unique<RecordThreads::Batch>();
    return *filling_;
  }

  void HandIfFull() {
    if (filling_->Size() < RecordThreads::kBatch) return;
    pool_->Hand(std::move(filling_));
    // The batches done are written at once; the threads stay a few batches
    // ahead of the file, so memory stays bounded.
    while (auto done = pool_->Oldest(pool_->Handed() > kAhead * threads_)) TakeBatch(*done);
  }

  // Every batch handed is written.
  void TakeAll() {
    if (!pool_) return;
    if (filling_ && filling_->Size() != 0) pool_->Hand(std::move(filling_));
    while (auto done = pool_->Oldest(true)) TakeBatch(*done);
  }

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

  // What the threads read lazily is made here first, while this thread is
  // the only one: the media links' orders and the dates' vocabulary.
  void StartThreads() {
    db_.Tables().MediaLiens()->LiensDe(0);
    TGDate warm;
    warm.SetText("1 JAN 2000");
    (void)GedcomDate(warm);
    pool_ = std::make_unique<RecordThreads>(threads_, walk_, options_, shared_);
    if (peopleDone_) pool_->PersonsKnown(&people_);
  }

  // Every person is written: the batches still out are waited for, and the
  // records that follow ask the persons written instead of decoding them.
  void PersonsDone() {
    if (peopleDone_) return;
    peopleDone_ = true;
    TakeAll();
    Take(main_);
    main_.PersonsKnown(&people_);
    if (pool_) pool_->PersonsKnown(&people_);
  }

  // The unions are written too: the threads stop, and what follows is
  // written here.
  void UnionsDone() {
    PersonsDone();
    if (!pool_) return;
    TakeAll();
    pool_->Stop();
    pool_.reset();
    threads_ = 1;
  }

  void TakeBatch(RecordThreads::Batch& batch) {
    if (batch.error) std::rethrow_exception(batch.error);
    Take(main_);
    Write(batch.text, batch.lines, batch.notes);
  }

  void TakeSome() {
    if (main_.text.size() >= kTaken) Take(main_);
  }

  void Take(Formatter& f) {
    Write(f.text, f.lines, f.notes);
    f.text.clear();
    f.lines = 0;
    f.notes.clear();
  }

  void Write(const std::string& text, std::uint64_t lines, const std::vector<CodeID>& notes) {
    for (const CodeID owner : notes) referenced_.At(owner) = 1;
    if (failed_ || text.empty()) return;
    report_.lines += lines;
    out_.Write(text);
    if (out_.Failed()) failed_ = true;
  }

  bool Referenced(CodeID owner) const { return referenced_.Get(owner) != PerCode::kNone; }

  BackgroundWrite& out_;
  RecordWalk& walk_;
  TGDatabase& db_;
  const GedcomExportOptions& options_;
  GedcomExportReport& report_;
  Shared shared_;
  Formatter main_;
  unsigned threads_ = 1;
  bool failed_ = false;
  PerCode referenced_;
  // The persons written, for the families' pointers.
  PerCode people_;
  bool peopleDone_ = false;
  std::unordered_map<CodeID, SurnameParts> surnameParts_;
  std::unique_ptr<RecordThreads::Batch> filling_;
  // Last: its threads stop before what they read goes.
  std::unique_ptr<RecordThreads> pool_;
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
