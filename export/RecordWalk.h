// The walk over every record of a database that the exporters share: each
// sound record is decoded once and handed to a visitor, in an order where a
// record comes after the dictionaries it names (surnames, first names,
// professions, places, addresses, then individuals, unions, children,
// events, links, documents and their citations, media and their links,
// notes, tasks, research logs, Sosa numbers, media frames, the generic
// pairs, memorised branches and marked individuals, the redaction table).
//
// Invariants:
//  1. Streaming: one record is held at a time; the largest list held is one
//     set of siblings (the children's positions) or the links of one event,
//     never a whole table.
//  2. Reading only: nothing is written to the database; a record that does
//     not decode is handed to Damaged with its reason and skipped, and the
//     walk goes on with its neighbours.
//  3. References are passed as stored: a code may name a record that is
//     absent or damaged; the consumer decides what to keep.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/TGDatabase.h"
#include "platform/TV5Sosa.h"
#include "records/TGAdresse.h"
#include "records/TGDocument.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGLienRoot.h"
#include "records/TGLieu.h"
#include "records/TGMediaCadre.h"
#include "records/TGMedia.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "records/TVGNote.h"
#include "records/TVGPrenom.h"
#include "records/TVGProfession.h"
#include "records/TVGRechercheLog.h"
#include "records/TVGTache.h"

namespace genvora {

class TGDatabaseParente;

// A child and its parents; `unionCode` 0 when the two parents have no union
// (or one is unknown). `position` is 1-based, in the user's order of the
// children of the same two parents.
struct ChildRow {
  CodeID child = 0;
  CodeID unionCode = 0;
  CodeID father = 0;
  CodeID mother = 0;
  std::uint32_t position = 0;
};

// A person taking part in an event: the owner of a shared event (link 0)
// or a person linked to the event (a witness...), with the link's word.
struct ParticipantRow {
  CodeID event = 0;
  CodeID person = 0;
  CodeID link = 0;
  AnsiString role;  // Windows-1252
};

enum class NoteKind : std::uint8_t { Note, Research };

class RecordVisitor {
 public:
  virtual ~RecordVisitor() = default;
  virtual void Surname(const TGNom&) {}
  virtual void FirstName(const TVGPrenom&) {}
  virtual void Profession(const TVGProfession&) {}
  virtual void Place(const TGLieu&) {}
  // `surname` is the individual's surname record, null when it has none or
  // it does not decode.
  virtual void Individual(const TGIndividu&, const TGNom* /*surname*/) {}
  virtual void FirstNameLink(CodeID /*individual*/, CodeID /*firstName*/, bool /*usual*/) {}
  virtual void ProfessionLink(CodeID /*individual*/, CodeID /*profession*/) {}
  virtual void Union(const TGUnion&) {}
  virtual void Child(const ChildRow&) {}
  virtual void Event(const TGEvenement&, bool /*ownerIsUnion*/) {}
  virtual void Link(const TGLien&) {}
  virtual void Participant(const ParticipantRow&) {}
  virtual void Address(const TGAdresse&) {}
  // Non-const: a date prints through its record.
  virtual void Document(TGDocument&) {}
  virtual void Citation(const TGLienDocument&) {}
  virtual void Media(TGMedia&) {}
  virtual void MediaLink(const TGLienMedia&) {}
  virtual void Note(CodeID /*owner*/, NoteKind, const TVGNote&) {}
  virtual void Task(const TVGTache&) {}
  // The task's other record: an individual or an address.
  virtual void TaskLink(CodeID /*task*/, CodeID /*individual*/, CodeID /*address*/) {}
  virtual void ResearchLog(const TVGRechercheLog&) {}
  virtual void Sosa(const TV5Sosa&) {}
  virtual void MediaFrame(const TGMediaCadre&) {}
  // A pair of a generic pair table, as stored: `table` "address" (an
  // address and a record that lives there), "union" or "note" (the pairs
  // kept beside the unions and the notes).
  virtual void Pair(const char* /*table*/, CodeID /*a*/, CodeID /*b*/) {}
  // A branch memorised for research help: its individual, the kind of help
  // and the branch's identifier.
  virtual void Branch(CodeID /*individual*/, std::uint32_t /*kind*/, CodeID /*id*/) {}
  // A marked individual, with its 1-based place in the order of marking.
  virtual void Marked(CodeID /*individual*/, std::uint32_t /*position*/) {}
  // An element of the redaction table: the engine keeps its bytes without
  // reading them, and so does the walk.
  virtual void Redaction(CodeID /*code*/, std::string_view /*bytes*/) {}
  // `table` is the store's saved name; `reason` an engine text.
  virtual void Damaged(const std::string& /*table*/, CodeID /*code*/, const AnsiString& /*reason*/) {}
  // Every record is visited; the walk's family lookups (ParentsOf,
  // ChildrenOf) still answer, and stop answering when this returns.
  virtual void WalkDone() {}
};

class RecordWalk {
 public:
  // `db` is not owned and outlives the walk.
  explicit RecordWalk(TGDatabase& db);
  ~RecordWalk();
  RecordWalk(const RecordWalk&) = delete;
  RecordWalk& operator=(const RecordWalk&) = delete;

  void Walk(RecordVisitor& visitor);
  // Records skipped because they did not decode, in the last walk.
  std::uint64_t DamagedCount() const { return damaged_; }

  // Reads for a writer that puts what belongs to a record inside it (a
  // person's events, an event's witnesses and citations) as the record is
  // visited, instead of table by table. They answer only what decodes:
  // damage is reported once, by the walk of its own table. The children
  // order needs the order lists the walk holds: call it during a walk.
  TGDatabase& Database() const { return db_; }
  void EventsOf(CodeID owner, std::vector<CodeID>& events) const;
  void ParticipantsOf(CodeID event, std::vector<ParticipantRow>& out) const;
  // Each document the event cites, with its citation record's code (0 when
  // the link has none).
  void CitationsOf(CodeID event, std::vector<std::pair<CodeID, CodeID>>& out) const;
  void MediaOf(CodeID owner, std::vector<TGLienMedia>& out) const;
  // The parents of a child, from the ancestry quick list; false when it
  // has no entry.
  bool ParentsOf(CodeID child, CodeID& father, CodeID& mother) const;
  // Every child of the parent, whoever the other parent is, unordered.
  void AllChildrenOf(CodeID parent, std::vector<CodeID>& children) const;
  // The children of the two parents (either may be 0), in the user's order.
  void ChildrenOf(CodeID father, CodeID mother, std::vector<CodeID>& ordered) const;
  // True when the record is in the store and decodes into `record`.
  static bool Read(TGRoot& record, LXArray& store, CodeID code);

 private:
  void Surnames(RecordVisitor& v);
  void FirstNames(RecordVisitor& v);
  void Professions(RecordVisitor& v);
  void Places(RecordVisitor& v);
  void Individuals(RecordVisitor& v);
  void NameLinks(RecordVisitor& v);
  void Unions(RecordVisitor& v);
  void Children(RecordVisitor& v);
  void Events(RecordVisitor& v);
  void Links(RecordVisitor& v);
  void Addresses(RecordVisitor& v);
  void Documents(RecordVisitor& v);
  void Media(RecordVisitor& v);
  void Notes(RecordVisitor& v);
  void Tasks(RecordVisitor& v);
  void ResearchLogs(RecordVisitor& v);
  void SosaNumbers(RecordVisitor& v);
  void MediaFrames(RecordVisitor& v);
  void Pairs(RecordVisitor& v);
  void Branches(RecordVisitor& v);
  void Redactions(RecordVisitor& v);
  bool Decode(TGRoot& record, LXArray& store, CodeID code, RecordVisitor& v);

  TGDatabase& db_;
  std::unique_ptr<TGDatabaseParente> parente_;
  std::uint64_t damaged_ = 0;
};

}  // namespace genvora
