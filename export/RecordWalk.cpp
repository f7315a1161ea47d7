// The shared walk over the records of a database.
#include "export/RecordWalk.h"

#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "computations/TGDatabaseParenteSource.h"
#include "platform/Exception.h"
#include "platform/Host.h"

namespace genvora {

namespace {

// Progress is reported every this many records of a table.
constexpr std::uint64_t kProgressStep = 4096;

class TableProgress {
 public:
  TableProgress(const char* what, std::size_t total) : what_(what), total_(static_cast<std::int64_t>(total)) {
    Host().Progress(what_, 0, total_);
  }
  ~TableProgress() { Host().Progress(what_, total_, total_); }
  void Step() {
    if (++done_ % kProgressStep == 0) Host().Progress(what_, done_, total_);
  }

 private:
  AnsiString what_;
  std::int64_t total_;
  std::int64_t done_ = 0;
};

// Calls `visit` with each code of `store`, in its code list's order, read
// in place: the walk only reads, so the list does not change under it, and
// no copy of it is held.
template <class Visit>
void ForEachCode(const LXArray* store, const char* what, Visit visit) {
  const LArray* list = store != nullptr ? store->GetCodeList() : nullptr;
  if (list == nullptr) return;
  TableProgress progress(what, list->GetCount());
  for (int i = 1; i <= static_cast<int>(list->GetCount()); ++i) {
    std::uint32_t pair[2] = {0, 0};
    if (list->GetItemSize(i) == LXArray::kPairSize && list->FetchItemAt(i, pair)) visit(pair[0]);
    progress.Step();
  }
}

}  // namespace

RecordWalk::RecordWalk(TGDatabase& db) : db_(db) {}
RecordWalk::~RecordWalk() = default;

bool RecordWalk::Decode(TGRoot& record, LXArray& store, CodeID code, RecordVisitor& v) {
  AnsiString reason;
  try {
    if (record.LitDans(code, &store)) return true;
    reason = record.LastDamage().empty() ? AnsiString("the record cannot be read") : AnsiString(record.LastDamage());
  } catch (const std::exception& e) {
    reason = ReasonOf(e);
  }
  ++damaged_;
  v.Damaged(store.GetClassName(), code, reason);
  return false;
}

void RecordWalk::Walk(RecordVisitor& v) {
  damaged_ = 0;
  parente_ = std::make_unique<TGDatabaseParente>(db_);
  // The order lists are read once for the whole walk, so that each set of
  // siblings is ordered at the cost of its own size.
  parente_->Parente().FigerOrdre(true);
  Surnames(v);
  FirstNames(v);
  Professions(v);
  Places(v);
  Addresses(v);
  Individuals(v);
  NameLinks(v);
  Unions(v);
  Children(v);
  Events(v);
  Links(v);
  Documents(v);
  Media(v);
  Notes(v);
  Tasks(v);
  ResearchLogs(v);
  SosaNumbers(v);
  MediaFrames(v);
  Pairs(v);
  Branches(v);
  Redactions(v);
  v.WalkDone();
  parente_->Parente().FigerOrdre(false);
  parente_.reset();
}

void RecordWalk::Surnames(RecordVisitor& v) {
  TGTableDicoNoms& store = *db_.Tables().dicoNoms;
  TGNom nom;
  nom.SetInterprete(store.GetSplitter());
  ForEachCode(&store, "surnames", [&](CodeID code) {
    if (Decode(nom, store, code, v)) v.Surname(nom);
  });
}

void RecordWalk::FirstNames(RecordVisitor& v) {
  LXArray& store = *db_.Tables().prenoms;
  ForEachCode(&store, "first names", [&](CodeID code) {
    TVGPrenom prenom;
    if (Decode(prenom, store, code, v)) v.FirstName(prenom);
  });
}

void RecordWalk::Professions(RecordVisitor& v) {
  LXArray& store = *db_.Tables().professions;
  ForEachCode(&store, "professions", [&](CodeID code) {
    TVGProfession profession;
    if (Decode(profession, store, code, v)) v.Profession(profession);
  });
}

void RecordWalk::Places(RecordVisitor& v) {
  LXArray& store = *db_.Tables().dicoLieux;
  ForEachCode(&store, "places", [&](CodeID code) {
    TGLieu lieu;
    if (Decode(lieu, store, code, v)) v.Place(lieu);
  });
}

void RecordWalk::Individuals(RecordVisitor& v) {
  LXArray& store = *db_.Tables().individus;
  TGTableDicoNoms& noms = *db_.Tables().dicoNoms;
  // Each surname is decoded once for its bearers (null when it does not
  // decode); a bounded number are kept.
  std::unordered_map<CodeID, std::unique_ptr<TGNom>> surnames;
  constexpr std::size_t kKept = 1 << 16;
  ForEachCode(&store, "individuals", [&](CodeID code) {
    TGIndividu indi;
    if (Decode(indi, store, code, v)) {
      // A surname that does not decode is reported in its own table's walk.
      const TGNom* surname = nullptr;
      const CodeID nomCode = indi.GetCodeNom();
      if (nomCode != 0) {
        auto found = surnames.find(nomCode);
        if (found == surnames.end()) {
          auto nom = std::make_unique<TGNom>();
          nom->SetInterprete(noms.GetSplitter());
          bool decoded = false;
          if (TGDatabase::EstDans(&noms, nomCode)) {
            try {
              decoded = nom->LitDans(nomCode, &noms);
            } catch (const std::exception&) {
              decoded = false;
            }
          }
          if (surnames.size() >= kKept) surnames.clear();
          found = surnames.emplace(nomCode, decoded ? std::move(nom) : nullptr).first;
        }
        surname = found->second.get();
      }
      v.Individual(indi, surname);
    }
  });
}

void RecordWalk::NameLinks(RecordVisitor& v) {
  // Each first-name link is kept both ways; the individual's side is the
  // one whose first code is an individual.
  const LArray& prenoms = *db_.Tables().liensPrenoms;
  for (int i = 1; i <= static_cast<int>(prenoms.GetCount()); ++i) {
    if (prenoms.GetItemSize(i) < 9) continue;
    const auto* p = static_cast<const unsigned char*>(prenoms.GetItemPtr(i));
    std::uint32_t a = 0, b = 0;
    std::memcpy(&a, p, 4);
    std::memcpy(&b, p + 4, 4);
    if (db_.EstIndividu(a) && TGDatabase::EstDans(db_.Tables().prenoms, b)) v.FirstNameLink(a, b, p[8] != 0);
  }
  const LArray& professions = *db_.Tables().liensProfessions;
  for (int i = 1; i <= static_cast<int>(professions.GetCount()); ++i) {
    if (professions.GetItemSize(i) < 8) continue;
    const auto* p = static_cast<const unsigned char*>(professions.GetItemPtr(i));
    std::uint32_t a = 0, b = 0;
    std::memcpy(&a, p, 4);
    std::memcpy(&b, p + 4, 4);
    if (db_.EstIndividu(a) && TGDatabase::EstDans(db_.Tables().professions, b)) v.ProfessionLink(a, b);
  }
}

void RecordWalk::Unions(RecordVisitor& v) {
  LXArray& store = *db_.Tables().unions;
  ForEachCode(&store, "unions", [&](CodeID code) {
    TGUnion u;
    if (Decode(u, store, code, v)) v.Union(u);
  });
}

void RecordWalk::ChildrenOf(CodeID pere, CodeID mere, std::vector<CodeID>& ordered) const {
  ordered.clear();
  if (pere == 0 && mere == 0) return;
  const TGParenteSource& source = parente_->Source();
  LArray siblings(4, nullptr, false);
  std::vector<CodeID> all;
  source.LesEnfantsDe(pere != 0 ? pere : mere, pere != 0 ? mere : 0, all);
  for (const CodeID sibling : all) {
    CodeID p = 0, m = 0;
    // With one parent unknown, the children of the known one with another
    // partner are not siblings of the same parents.
    if (source.Parents(sibling, p, m) && p == pere && m == mere) siblings.AddItem(&sibling, 4);
  }
  parente_->Parente().GetListeOrdonnee(&siblings, true);
  for (int i = 1; i <= static_cast<int>(siblings.GetCount()); ++i) {
    CodeID code = 0;
    siblings.FetchItemAt(i, &code);
    ordered.push_back(code);
  }
}

bool RecordWalk::ParentsOf(CodeID child, CodeID& father, CodeID& mother) const {
  father = mother = 0;
  return parente_->Source().Parents(child, father, mother);
}

void RecordWalk::AllChildrenOf(CodeID parent, std::vector<CodeID>& children) const {
  children.clear();
  parente_->Source().LesEnfantsDe(parent, 0, children);
}

void RecordWalk::Children(RecordVisitor& v) {
  // From the ancestry quick list, which every open keeps: no individual
  // record is decoded again.
  const TGParenteSource& source = parente_->Source();
  std::vector<CodeID> siblings;
  ForEachCode(db_.Tables().individus, "children", [&](CodeID child) {
    CodeID pere = 0, mere = 0;
    if (!source.Parents(child, pere, mere) || (pere == 0 && mere == 0)) return;
    ChildrenOf(pere, mere, siblings);
    ChildRow row{child, 0, pere, mere, 0};
    for (std::size_t i = 0; i < siblings.size(); ++i)
      if (siblings[i] == child) row.position = static_cast<std::uint32_t>(i + 1);
    if (row.position == 0) row.position = static_cast<std::uint32_t>(siblings.size()) + 1;
    if (pere != 0 && mere != 0) row.unionCode = db_.Tables().unions->UnionCouple(pere, mere);
    v.Child(row);
  });
}

void RecordWalk::ParticipantsOf(CodeID code, std::vector<ParticipantRow>& out) const {
  out.clear();
  const TGTableLiens& liens = *db_.Tables().liens;
  std::vector<CodeID> eventLinks;
  liens.LesLiensDe(code, eventLinks, llVers);
  for (const CodeID linkCode : eventLinks) {
    TGLien lien;
    if (Read(lien, const_cast<TGTableLiens&>(liens), linkCode) && lien.GetLienVers() == code)
      out.push_back(ParticipantRow{code, lien.GetLienDe(), linkCode, lien.GetTitre()});
  }
}

void RecordWalk::Events(RecordVisitor& v) {
  LXArray& store = *db_.Tables().evenements;
  std::vector<ParticipantRow> participants;
  ForEachCode(&store, "events", [&](CodeID code) {
    TGEvenement ev;
    if (!Decode(ev, store, code, v)) return;
    const bool ofUnion = db_.EstUnion(ev.GetProprietaire());
    v.Event(ev, ofUnion);
    if (ev.GetPartage() && !ofUnion && ev.GetProprietaire() != 0)
      v.Participant(ParticipantRow{code, ev.GetProprietaire(), 0, "owner"});
    ParticipantsOf(code, participants);
    for (const ParticipantRow& row : participants) v.Participant(row);
  });
}

bool RecordWalk::Read(TGRoot& record, LXArray& store, CodeID code) {
  // An absent code reads as false: no search of the code list beforehand.
  if (code == 0) return false;
  try {
    return record.LitDans(code, &store);
  } catch (const std::exception&) {
    return false;
  }
}

void RecordWalk::EventsOf(CodeID owner, std::vector<CodeID>& events) const {
  events.clear();
  db_.Tables().evenements->LesEvenementsDe(owner, events);
}

void RecordWalk::CitationsOf(CodeID event, std::vector<std::pair<CodeID, CodeID>>& out) const {
  out.clear();
  const TGTableLienDocuments& links = *db_.Tables().DocumentLiens();
  LArray documents(4, nullptr, false);
  links.DocumentDe(event, &documents);
  for (int i = 1; i <= static_cast<int>(documents.GetCount()); ++i) {
    CodeID document = 0;
    documents.FetchItemAt(i, &document);
    out.emplace_back(document, links.IDDuLien(event, document));
  }
}

void RecordWalk::MediaOf(CodeID owner, std::vector<TGLienMedia>& out) const {
  out.clear();
  LXArray& links = *db_.Tables().MediaLiens();
  for (const CodeID code : db_.Tables().MediaLiens()->LiensDe(owner)) {
    TGLienMedia link;
    if (Read(link, links, code)) out.push_back(link);
  }
}

void RecordWalk::Links(RecordVisitor& v) {
  LXArray& store = *db_.Tables().liens;
  ForEachCode(&store, "links", [&](CodeID code) {
    TGLien lien;
    if (Decode(lien, store, code, v)) v.Link(lien);
  });
}

void RecordWalk::Addresses(RecordVisitor& v) {
  LXArray& store = *db_.Tables().dicoAdresses;
  ForEachCode(&store, "addresses", [&](CodeID code) {
    TGAdresse adresse;
    if (Decode(adresse, store, code, v)) v.Address(adresse);
  });
}

void RecordWalk::Documents(RecordVisitor& v) {
  LXArray& store = *db_.Tables().documents;
  ForEachCode(&store, "documents", [&](CodeID code) {
    TGDocument document;
    if (Decode(document, store, code, v)) v.Document(document);
  });
  LXArray& links = *db_.Tables().DocumentLiens();
  ForEachCode(&links, "citations", [&](CodeID code) {
    TGLienDocument citation;
    if (Decode(citation, links, code, v)) v.Citation(citation);
  });
}

void RecordWalk::Media(RecordVisitor& v) {
  LXArray& store = *db_.Tables().medias;
  ForEachCode(&store, "media", [&](CodeID code) {
    TGMedia media;
    if (Decode(media, store, code, v)) v.Media(media);
  });
  LXArray& links = *db_.Tables().MediaLiens();
  ForEachCode(&links, "media links", [&](CodeID code) {
    TGLienMedia link;
    if (Decode(link, links, code, v)) v.MediaLink(link);
  });
}

void RecordWalk::Tasks(RecordVisitor& v) {
  LXArray& store = *db_.Tables().taches;
  ForEachCode(&store, "tasks", [&](CodeID code) {
    TVGTache tache;
    if (Decode(tache, store, code, v)) v.Task(tache);
  });
  // Pairs {task, other record}, 8 bytes each.
  for (const auto& [pairs, ofIndividuals] : {std::pair<const LArray*, bool>{db_.Tables().tacheIndividus, true},
                                             std::pair<const LArray*, bool>{db_.Tables().tacheAdresses, false}}) {
    for (int i = 1; i <= static_cast<int>(pairs->GetCount()); ++i) {
      if (pairs->GetItemSize(i) < 8) continue;
      std::uint32_t pair[2] = {0, 0};
      std::memcpy(pair, pairs->GetItemPtr(i), 8);
      if (ofIndividuals) v.TaskLink(pair[0], pair[1], 0);
      else v.TaskLink(pair[0], 0, pair[1]);
    }
  }
}

void RecordWalk::ResearchLogs(RecordVisitor& v) {
  LXArray& store = *db_.Tables().rechercheLog;
  ForEachCode(&store, "research logs", [&](CodeID code) {
    TVGRechercheLog log;
    if (Decode(log, store, code, v)) v.ResearchLog(log);
  });
}

void RecordWalk::Notes(RecordVisitor& v) {
  for (const auto& [store, kind] : {std::pair<LXArray*, NoteKind>{db_.Tables().notes, NoteKind::Note},
                                    std::pair<LXArray*, NoteKind>{db_.Tables().notesAideRecherche, NoteKind::Research}}) {
    ForEachCode(store, "notes", [&, store = store, kind = kind](CodeID owner) {
      TVGNote note;
      if (Decode(note, *store, owner, v)) v.Note(owner, kind, note);
    });
  }
}

void RecordWalk::SosaNumbers(RecordVisitor& v) {
  const LArray& table = *db_.Tables().sosa;
  TableProgress progress("Sosa numbers", table.GetCount());
  for (int i = 1; i <= static_cast<int>(table.GetCount()); ++i) {
    progress.Step();
    if (table.GetItemSize(i) != sizeof(TV5SosaData)) continue;
    TV5SosaData data;
    std::memcpy(&data, table.GetItemPtr(i), sizeof data);
    TV5Sosa sosa;
    sosa.PokeData(data);
    if (sosa.GetCodeID() != 0 && !sosa.IsZero()) v.Sosa(sosa);
  }
}

void RecordWalk::MediaFrames(RecordVisitor& v) {
  LXArray& store = *db_.Tables().mediasCadres;
  ForEachCode(&store, "media frames", [&](CodeID code) {
    TGMediaCadre frame;
    if (Decode(frame, store, code, v)) v.MediaFrame(frame);
  });
}

void RecordWalk::Pairs(RecordVisitor& v) {
  const TGDatabaseTables& t = db_.Tables();
  for (const auto& [pairs, name] : {std::pair<const LArray*, const char*>{t.adresseLiens, "address"},
                                    std::pair<const LArray*, const char*>{t.unionLiens, "union"},
                                    std::pair<const LArray*, const char*>{t.noteLiens, "note"}}) {
    if (pairs == nullptr) continue;
    for (int i = 1; i <= static_cast<int>(pairs->GetCount()); ++i) {
      if (pairs->GetItemSize(i) < 8) continue;
      std::uint32_t pair[2] = {0, 0};
      std::memcpy(pair, pairs->GetItemPtr(i), 8);
      v.Pair(name, pair[0], pair[1]);
    }
  }
}

void RecordWalk::Branches(RecordVisitor& v) {
  const LArray& branches = *db_.Tables().branches;
  for (int i = 1; i <= static_cast<int>(branches.GetCount()); ++i) {
    if (branches.GetItemSize(i) < TGTableBranchesMemorisees::kItemSize) continue;
    std::uint32_t item[3] = {0, 0, 0};
    std::memcpy(item, branches.GetItemPtr(i), sizeof item);
    v.Branch(item[0], item[1], item[2]);
  }
  const LArray& marked = *db_.Tables().indiMarques;
  for (int i = 1; i <= static_cast<int>(marked.GetCount()); ++i) {
    if (marked.GetItemSize(i) < 4) continue;
    CodeID code = 0;
    std::memcpy(&code, marked.GetItemPtr(i), 4);
    v.Marked(code, static_cast<std::uint32_t>(i));
  }
}

void RecordWalk::Redactions(RecordVisitor& v) {
  LXArray* store = db_.Tables().redaction;
  std::vector<char> bytes;
  ForEachCode(store, "redaction", [&](CodeID code) {
    const unsigned size = store->FetchData(code, nullptr, 0);
    bytes.resize(size);
    if (size != 0 && store->FetchData(code, bytes.data(), size) != size) return;
    v.Redaction(code, std::string_view(bytes.data(), bytes.size()));
  });
}

}  // namespace genvora
