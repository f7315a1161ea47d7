// Full records: a record loaded together with the lists of the records
// related to it, so that a person, a couple or an event can be shown or
// exported whole. Nothing here is stored; every list is gathered again from
// the tables' indexes at each load, so a load costs in proportion to the
// record's own family, never to the file.
//
// Class tree:
//   TFullRoot                     media and links of any record
//     TFullEvenement              an event and its documents
//     TFullWithEvenement          + the record's events, in order of time
//       TFullWithEventAndChild    + its children
//         TFullIndividu           (computations/TFullIndividu.h)
//         TFullUnion              (computations/TFullUnion.h)
//
// Invariants:
//  1. Each SetCodeID discards every list; the media, link, event and child
//     lists load on their first access after it, once per load.
//  2. A record that cannot be loaded leaves the full record empty and is
//     reported through SomethingGoesWrong, once per database: the database's
//     Tag is the latch (kErrorLatch), and while it is set failed loads are
//     silent. Only a host that saves files (IHost::SavesFiles) is offered to
//     save and has the file tagged for a check; a read-only database is
//     never written or tagged.
//  3. Orders of time: a list entry's key is the integral part of the date
//     sort key of its event (0 without date). TrierCetteTable puts dated
//     entries first, by key, then undated ones by code; TrierEvenements
//     follows the tie rules of the events of a life (births first, a burial
//     after the death of the same day).
//  4. The chronological keys of other persons and unions are read from the
//     events table directly, never through a full load, so sorting a list
//     never raises.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "computations/TGParente.h"
#include "containers/LArray.h"
#include "platform/Types.h"

namespace genvora {

class TGDatabase;
class TGDatabaseParente;
class TGEvenement;
class TPreferenceGenvora5;

// The event types the full records look for.
enum TFullEventType : std::uint32_t {
  kFullNaissance = 4,
  kFullBapteme = 8,
  kFullDeces = 12,
  kFullInhumation = 6,
  kFullDivorce = 54,
  kFullContrat = 59,
  kFullMariage = 61,
  kFullSeparation = 65,
  kFullReligieux = 68,
  kFullPacs = 69,
  // What an event that cannot be loaded counts as when events are ordered.
  kFullIllisible = 84,
};

// The rank of an event type among the events of one day: birth first,
// burial after death, divorce last; 20 for the types without a place of
// their own.
int OrdreDeTriType(std::uint32_t type);

class TFullRoot {
 public:
  // The value of the database's Tag while a failed load is being reported.
  static constexpr int kErrorLatch = 1503;
  // The start of every failure's message.
  static constexpr const char* kUnreadable = "Unable to read this file format";

  TFullRoot();
  virtual ~TFullRoot();
  TFullRoot(const TFullRoot&) = delete;
  TFullRoot& operator=(const TFullRoot&) = delete;

  TGDatabase* GetFiler() const { return filer_; }
  virtual void SetFiler(TGDatabase* database);
  virtual AnsiString GetText() const;
  virtual void SetCodeID(CodeID code) = 0;
  virtual CodeID GetCodeID() const { return codeID_; }

  // A component being destroyed: the preferences or the database let go.
  void Notification(const void* removed);

  // Carried for the host, which reads them to decide what to ask for; the
  // lists load on first access whatever their value.
  bool MediaON = false;
  bool LiensON = false;
  // Which links ChargeLiens loads.
  TLiensParente TypeLiens = ldTous;
  // Lists of persons and events in order of time, then in the user's order.
  bool SortedList = false;
  // The host's preferences (not owned); SharedPrefs() at construction.
  TPreferenceGenvora5* Prefs = nullptr;
  // Which media ChargeMedia keeps: 0 all, 1 exportable, 2 publishable.
  std::uint8_t FiltreMedia = 0;

  // Lists on first access.
  LArray* GetTableMedias();
  LArray* GetTableLiens();
  // The first picture among the media (the main one when marked); 0 when
  // there is none.
  CodeID GetPremierMedia();

  // Orders a list of individuals, unions or events in time (Invariant 3);
  // does nothing without SortedList, Filer or two entries.
  virtual void TrierCetteTable(LArray* list);
  // Orders a list of individuals by surname, then first names.
  virtual void TrierCetteTableIndiParAlpha(LArray* list);

  // The chronological key of an event (0 absent or undated).
  std::int64_t CleEvenement(CodeID event) const;

 protected:
  virtual void ChargeMedia();
  virtual void ChargeLiens();
  // Clears the loaded markers after a load.
  virtual void ChargeLesTables();
  // Reports a record that failed to load (Invariant 2); raises EGenvoraError
  // beginning with kUnreadable the first time for a database. `what` says
  // what failed.
  virtual void SomethingGoesWrong(const AnsiString& what);
  // Forgets every list and marker.
  virtual void Vide();

  // The kinship services of the Filer (its order lists), made on first use.
  TGDatabaseParente& Parente();
  bool LoadEvent(CodeID code, TGEvenement& out) const;
  // The events of `owner` ordered as a full record orders them.
  void EvenementsDe(CodeID owner, LArray* out);
  // GetArrivee's, GetDepart's and GetDebut's rule over a list of events:
  // of the first event of each of `types`, the first dated, else the first
  // placed, else the first present, in the order of `types`; 0 when none.
  CodeID PremierParmi(const LArray& events, std::initializer_list<std::uint32_t> types) const;
  // A union's start: marriage, religious marriage, civil partnership or
  // marriage contract.
  CodeID DebutParmi(const LArray& events) const {
    return PremierParmi(events, {kFullMariage, kFullReligieux, kFullPacs, kFullContrat});
  }
  CodeID PremierDuType(const LArray& events, std::uint32_t type) const;
  // TrierEvenements' order, without its conditions.
  void OrdonneEvenements(LArray* list) const;
  // TrierCetteTable's order, whatever SortedList says.
  void OrdonneTable(LArray* list);

  TGDatabase* filer_ = nullptr;
  CodeID codeID_ = 0;
  LArray medias_;
  LArray liens_;
  bool mediasLoaded_ = false;
  bool liensLoaded_ = false;
  CodeID premierMedia_ = 0;

 private:
  std::unique_ptr<TGDatabaseParente> parente_;
};

class TFullWithEvenement : public TFullRoot {
 public:
  // Carried for the host; EstVivant also requires it.
  bool EvenementsON = false;

  LArray* GetTableEvenements();
  // The first event of the ordered list whose type is `type`; 0 when none.
  CodeID GetCetEvenement(std::uint32_t type);
  bool EvenementAvecDate(CodeID event) const;
  bool EvenementAvecLieu(CodeID event) const;
  // A certificate is still to be searched for: an event of the list whose
  // search state is 1.
  virtual bool RechercheActe();

  // Orders events in time with the tie rules of a life (Invariant 3); does
  // nothing without SortedList, Filer or entries.
  void TrierEvenements(LArray* list);

 protected:
  virtual void ChargeEvenements();
  void ChargeLesTables() override;
  void Vide() override;

  LArray evenements_;
  bool evenementsLoaded_ = false;
};

class TFullWithEventAndChild : public TFullWithEvenement {
 public:
  // Carried for the host.
  bool EnfantsON = false;

  LArray* GetTableEnfants();

 protected:
  virtual void ChargeEnfants() = 0;
  void ChargeLesTables() override;
  void Vide() override;

  LArray enfants_;
  bool enfantsLoaded_ = false;
};

// An event with the documents that cite it.
class TFullEvenement : public TFullRoot {
 public:
  TFullEvenement();
  TFullEvenement(TGDatabase* database, CodeID code);
  ~TFullEvenement() override;

  void SetCodeID(CodeID code) override;
  AnsiString GetText() const override;
  const TGEvenement& Evenement() const { return *evenement_; }
  LArray* GetTableDocuments();

 protected:
  virtual void ChargeDocument();
  void Vide() override;

 private:
  std::unique_ptr<TGEvenement> evenement_;
  LArray documents_;
  bool documentsLoaded_ = false;
};

}  // namespace genvora
