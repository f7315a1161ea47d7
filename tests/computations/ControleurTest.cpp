// The file controller over damaged files: each case plants one fault in a
// sound family, saves it, repairs the file, and checks the log, the
// repaired record, that every other record is as it was, that the repaired
// file opens normally, and that a second run finds nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "computations/TGDatabaseSosa.h"
#include "computations/TVG5Controleur.h"
#include "platform/Graphics.h"
#include "platform/Host.h"
#include "records/TGAdresse.h"
#include "records/TGDocument.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGLienRoot.h"
#include "records/TGLieu.h"
#include "records/TGMedia.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "records/TVGNote.h"
#include "support/SampleFamily.h"
#include "tests/support/ControllerFixtures.h"
#include "tests/support/DatabaseFixtures.h"

namespace genvora {
namespace {

using namespace testing::sample;

template <class R, class Store>
void Edit(Store* store, CodeID code, const std::function<void(R&)>& change) {
  R r;
  ASSERT_TRUE(r.LitDans(code, store)) << code;
  change(r);
  store->EcritData(&r);
}

// Every record by "store/code" and every item of the plain data arrays by
// "array[hex]".
std::map<std::string, std::string> Snapshot(const TGDatabase& db) {
  const TGDatabaseTables& t = db.Tables();
  std::map<std::string, std::string> out;
  const std::pair<const char*, LXArray*> stores[] = {
      {"TGTableIndividus", t.individus}, {"TGTableUnion", t.unions},       {"TGTableEvenements", t.evenements},
      {"TBLINK", t.liens},               {"TGTableDicoNoms", t.dicoNoms},  {"TGTableDicoLieux", t.dicoLieux},
      {"TG5Doc", t.documents},           {"TG5LinkDoc", t.DocumentLiens()}, {"TGTableMedias", t.medias},
      {"TG5LinkMedia", t.MediaLiens()},  {"TableNote", t.notes},           {"TGTableDicoAdresses", t.dicoAdresses},
      {"TablePrenoms", t.prenoms},       {"TableProfessions", t.professions}, {"TableTaches", t.taches}};
  for (const auto& [name, store] : stores) {
    const LArray* list = store->GetCodeList();
    for (int i = 1; i <= static_cast<int>(list->GetCount()); ++i) {
      std::uint32_t pair[2] = {0, 0};
      list->FetchItemAt(i, pair);
      const unsigned size = store->FetchData(pair[0], nullptr, 0);
      std::string bytes(size, '\0');
      if (size != 0) store->FetchData(pair[0], bytes.data(), size);
      out[std::string(name) + "/" + std::to_string(pair[0])] = bytes;
    }
  }
  const std::pair<const char*, LArray*> arrays[] = {
      {"TBLiensPrenoms", t.liensPrenoms},   {"TBLiensProfessions", t.liensProfessions},
      {"CkeckedPeoples", t.indiMarques},    {"AdresseLiens", t.adresseLiens},
      {"TacheIndividus", t.tacheIndividus}, {"TacheAdresses", t.tacheAdresses},
      {"TBDoc-IdxDoc", t.DocumentLiens()->GetIndex()}, {"SOSATbl", t.sosa},
      {"BranchesMemorisees", t.branches},   {"OrdreEnfants", t.ordreEnfants},
      {"OrdreConjoints", t.ordreConjoints}, {"NoteLiens", t.noteLiens}};
  for (const auto& [name, array] : arrays) {
    for (int i = 1; i <= static_cast<int>(array->GetCount()); ++i) {
      const auto* p = static_cast<const unsigned char*>(array->GetItemPtr(i));
      std::string hex;
      for (unsigned k = 0; k < array->GetItemSize(i); ++k) {
        char b[3];
        std::snprintf(b, sizeof b, "%02x", p[k]);
        hex += b;
      }
      out[std::string(name) + "[" + hex + "]"] = "";
    }
  }
  return out;
}

// "-key" gone, "+key" new, "~key" changed. A new record of a store is
// "+store/new" whatever its code (the repair draws it from the counter).
std::multiset<std::string> Diff(const std::map<std::string, std::string>& before,
                                const std::map<std::string, std::string>& after) {
  std::multiset<std::string> out;
  for (const auto& [key, bytes] : before) {
    auto it = after.find(key);
    if (it == after.end()) out.insert("-" + key);
    else if (it->second != bytes) out.insert("~" + key);
  }
  for (const auto& [key, bytes] : after) {
    if (before.count(key) != 0) continue;
    const auto slash = key.find('/');
    out.insert("+" + (slash != std::string::npos ? key.substr(0, slash) + "/new" : key));
  }
  return out;
}

std::unique_ptr<TGDatabaseSosa> Open(const std::string& path, bool forced) {
  auto db = std::make_unique<TGDatabaseSosa>();
  db->ReadOnly = true;
  db->ForcedMode = forced;
  db->AssigneNomDeFichier(path);
  if (!db->FichierOuvrir()) return nullptr;
  return db;
}

struct Case {
  const char* name;
  // Plants the fault; answers the code of a record it made, 0 when none.
  std::function<CodeID(TGDatabase&)> fault;
  std::vector<std::string> whats;                 // in log order
  std::function<std::multiset<std::string>(CodeID)> diff;  // given the fault's record
  std::function<void(TGDatabase&, CodeID)> repaired;      // checks the repaired record
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::multiset<std::string> Keys(std::initializer_list<std::string> keys) { return keys; }

std::string K(const char* store, CodeID code) { return std::string(store) + "/" + std::to_string(code); }

std::string Item(const char* array, std::initializer_list<std::uint32_t> words, unsigned size) {
  std::string bytes;
  for (std::uint32_t w : words)
    for (int k = 0; k < 4; ++k) bytes += static_cast<char>((w >> (8 * k)) & 0xFF);
  bytes.resize(size, '\0');
  std::string hex;
  for (unsigned char c : bytes) {
    char b[3];
    std::snprintf(b, sizeof b, "%02x", c);
    hex += b;
  }
  return std::string(array) + "[" + hex + "]";
}

CodeID NewEvent(TGDatabase& db, CodeID owner, std::uint8_t type) {
  TGEvenement ev;
  ev.SetCodeID(db.GetNextID());
  ev.SetProprietaire(owner);
  ev.SetType(static_cast<TV5EventList>(type));
  db.Tables().evenements->EcritData(&ev);
  return ev.GetCodeID();
}

CodeID NewUnion(TGDatabase& db, CodeID husband, CodeID wife) {
  TGUnion u;
  u.SetCodeID(db.GetNextID());
  u.SetEpoux(husband);
  u.SetEpouse(wife);
  db.Tables().unions->EcritData(&u);
  return u.GetCodeID();
}

// A new individual with these parents (and address); answers its code.
CodeID NewChild(TGDatabase& db, const char* prenom, CodeID pere, CodeID mere, CodeID adresse = 0) {
  TGIndividu i;
  i.SetCodeID(db.GetNextID());
  i.SetChar(5, prenom);
  i.SetCodePere(pere);
  i.SetCodeMere(mere);
  i.SetCodeAdresse(adresse);
  db.Tables().individus->EcritData(&i);
  return i.GetCodeID();
}

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"FatherNotAnIndividual",
       [](TGDatabase& db) {
         Edit<TGIndividu>(db.Tables().individus, kG3, [](TGIndividu& i) { i.SetCodePere(kDocument); });
         return CodeID{0};
       },
       {"father-invalid-cleared"},
       [](CodeID) { return Keys({"~" + K("TGTableIndividus", kG3)}); },
       [](TGDatabase& db, CodeID) {
         TGIndividu i;
         ASSERT_TRUE(i.LitDans(kG3, db.Tables().individus));
         EXPECT_EQ(i.GetCodePere(), 0u);
         EXPECT_EQ(i.GetCodeMere(), kG2w);
       }},
      {"FatherIsThePersonItself",
       [](TGDatabase& db) {
         Edit<TGIndividu>(db.Tables().individus, kG4, [](TGIndividu& i) { i.SetCodePere(kG4); });
         return CodeID{0};
       },
       {"father-invalid-cleared"},
       [](CodeID) { return Keys({"~" + K("TGTableIndividus", kG4)}); },
       [](TGDatabase& db, CodeID) {
         TGIndividu i;
         ASSERT_TRUE(i.LitDans(kG4, db.Tables().individus));
         EXPECT_EQ(i.GetCodePere(), 0u);
       }},
      {"MotherNotAnIndividual",
       [](TGDatabase& db) {
         Edit<TGIndividu>(db.Tables().individus, kG3s, [](TGIndividu& i) { i.SetCodeMere(kNobody); });
         return CodeID{0};
       },
       {"mother-invalid-cleared"},
       [](CodeID) { return Keys({"~" + K("TGTableIndividus", kG3s)}); },
       [](TGDatabase& db, CodeID) {
         TGIndividu i;
         ASSERT_TRUE(i.LitDans(kG3s, db.Tables().individus));
         EXPECT_EQ(i.GetCodeMere(), 0u);
         EXPECT_EQ(i.GetCodePere(), kG2);
       }},
      {"MissingSurnameReference",
       [](TGDatabase& db) {
         Edit<TGIndividu>(db.Tables().individus, kG3s, [](TGIndividu& i) { i.SetCodeNom(kNobody); });
         return CodeID{0};
       },
       {"anonymous-surname-created", "surname-missing-replaced"},
       [](CodeID) { return Keys({"~" + K("TGTableIndividus", kG3s), "+TGTableDicoNoms/new"}); },
       [](TGDatabase& db, CodeID) {
         TGIndividu i;
         ASSERT_TRUE(i.LitDans(kG3s, db.Tables().individus));
         TGNom nom;
         ASSERT_TRUE(nom.LitDans(i.GetCodeNom(), db.Tables().dicoNoms));
         EXPECT_EQ(nom.GetStoredNom(), "ANONYMOUS");
       }},
      {"AddressCodeThatIsNoAddress",
       [](TGDatabase& db) {
         Edit<TGIndividu>(db.Tables().individus, kG2, [](TGIndividu& i) { i.SetCodeAdresse(kBirthG2); });
         return CodeID{0};
       },
       {"address-invalid-cleared"},
       [](CodeID) { return Keys({"~" + K("TGTableIndividus", kG2)}); },
       [](TGDatabase& db, CodeID) {
         TGIndividu i;
         ASSERT_TRUE(i.LitDans(kG2, db.Tables().individus));
         EXPECT_EQ(i.GetCodeAdresse(), 0u);
       }},
      {"BothParentsKnownAndNoUnion",
       [](TGDatabase& db) { return NewChild(db, "Pierre", kG1, kG2w); },
       {"parents-union-created"},
       [](CodeID) { return Keys({"+TGTableUnion/new"}); },
       [](TGDatabase& db, CodeID) { EXPECT_NE(db.Tables().unions->UnionCouple(kG1, kG2w), 0u); }},
      {"ParentsWhoseUnionHasThemInTheOtherRoles",
       [](TGDatabase& db) {
         // The union joins them with the roles swapped: no second one is
         // made. The address fault is there for the repair to save.
         return NewChild(db, "Paul", kG1w, kG1, kBirthG2);
       },
       {"address-invalid-cleared"},
       [](CodeID made) { return Keys({"~" + K("TGTableIndividus", made)}); },
       [](TGDatabase& db, CodeID) {
         EXPECT_EQ(db.Tables().unions->UnionCouple(kG1, kG1w), kUnionG1);
         EXPECT_EQ(db.Tables().unions->UnionCouple(kG1w, kG1), 0u);
       }},
      {"BrotherAndSisterWhoseParentsHaveNoUnion",
       [](TGDatabase& db) {
         NewChild(db, "Pierre", kG1, kG2w);
         return NewChild(db, "Anne", kG1, kG2w);
       },
       {"parents-union-created"},
       [](CodeID) { return Keys({"+TGTableUnion/new"}); },
       [](TGDatabase& db, CodeID) {
         std::vector<CodeID> ofHusband;
         db.Tables().unions->LesUnionsDe(kG1, 0, ofHusband);
         EXPECT_EQ(std::count_if(ofHusband.begin(), ofHusband.end(),
                                 [&](CodeID u) {
                                   TGUnion read;
                                   return read.LitDans(u, db.Tables().unions) && read.GetEpouse() == kG2w;
                                 }),
                   1)
             << "one union for the two children's parents";
       }},
      {"UnionWithoutHusband",
       [](TGDatabase& db) { return NewUnion(db, kNobody, kG3s); },
       {"husband-invalid-cleared"},
       [](CodeID made) { return Keys({"~" + K("TGTableUnion", made)}); },
       [](TGDatabase& db, CodeID made) {
         TGUnion u;
         ASSERT_TRUE(u.LitDans(made, db.Tables().unions));
         EXPECT_EQ(u.GetEpoux(), 0u);
         EXPECT_EQ(u.GetEpouse(), kG3s);
       }},
      {"UnionOfNobody",
       [](TGDatabase& db) { return NewUnion(db, 0, kNobody); },
       {"wife-invalid-cleared", "union-without-partner-deleted"},
       [](CodeID made) { return Keys({"-" + K("TGTableUnion", made)}); },
       [](TGDatabase& db, CodeID made) { EXPECT_FALSE(db.EstUnion(made)); }},
      {"PlaceAttachedToANonPlace",
       [](TGDatabase& db) {
         Edit<TGLieu>(db.Tables().dicoLieux, kLyon, [](TGLieu& l) { l.SetRattachement(kG2); });
         return CodeID{0};
       },
       {"parent-place-cleared"},
       [](CodeID) { return Keys({"~" + K("TGTableDicoLieux", kLyon)}); },
       [](TGDatabase& db, CodeID) {
         TGLieu l;
         ASSERT_TRUE(l.LitDans(kLyon, db.Tables().dicoLieux));
         EXPECT_EQ(l.GetRattachement(), 0u);
         EXPECT_EQ(l.GetVille(), "Lyon");
       }},
      {"EventOwnedByNobody",
       [](TGDatabase& db) { return NewEvent(db, kNobody, 4); },
       {"event-without-owner-deleted"},
       [](CodeID made) { return Keys({"-" + K("TGTableEvenements", made)}); },
       [](TGDatabase& db, CodeID made) { EXPECT_FALSE(db.EstEvenement(made)); }},
      {"EventOwnedByNobodyButAttended",
       [](TGDatabase& db) {
         Edit<TGEvenement>(db.Tables().evenements, kBirthG2, [](TGEvenement& e) { e.SetProprietaire(kNobody); });
         return CodeID{0};
       },
       {"event-owner-given"},
       [](CodeID) { return Keys({"~" + K("TGTableEvenements", kBirthG2)}); },
       [](TGDatabase& db, CodeID) {
         TGEvenement e;
         ASSERT_TRUE(e.LitDans(kBirthG2, db.Tables().evenements));
         EXPECT_EQ(e.GetProprietaire(), kG3s);  // the witness
       }},
      {"UnionEventWithAnIndividualType",
       [](TGDatabase& db) { return NewEvent(db, kUnionG2, 4); },
       {"union-event-type-corrected"},
       [](CodeID made) { return Keys({"~" + K("TGTableEvenements", made)}); },
       [](TGDatabase& db, CodeID made) {
         TGEvenement e;
         ASSERT_TRUE(e.LitDans(made, db.Tables().evenements));
         EXPECT_EQ(e.GetType(), 57);
       }},
      {"IndividualEventWithAUnionType",
       [](TGDatabase& db) {
         Edit<TGEvenement>(db.Tables().evenements, kBirthG4,
                           [](TGEvenement& e) { e.SetType(static_cast<TV5EventList>(61)); });
         return CodeID{0};
       },
       {"individual-event-type-corrected"},
       [](CodeID) { return Keys({"~" + K("TGTableEvenements", kBirthG4)}); },
       [](TGDatabase& db, CodeID) {
         TGEvenement e;
         ASSERT_TRUE(e.LitDans(kBirthG4, db.Tables().evenements));
         EXPECT_EQ(e.GetType(), 15);
         EXPECT_EQ(e.GetProprietaire(), kG4);
       }},
      {"EventPlaceThatIsNoPlace",
       [](TGDatabase& db) {
         Edit<TGEvenement>(db.Tables().evenements, kBirthG4, [](TGEvenement& e) { e.SetDicoLieu(kG1); });
         return CodeID{0};
       },
       {"place-invalid-cleared"},
       [](CodeID) { return Keys({"~" + K("TGTableEvenements", kBirthG4)}); },
       [](TGDatabase& db, CodeID) {
         TGEvenement e;
         ASSERT_TRUE(e.LitDans(kBirthG4, db.Tables().evenements));
         EXPECT_EQ(e.GetDicoLieu(), 0u);
       }},
      {"SharedEventWithoutItsOwnersLink",
       [](TGDatabase& db) {
         Edit<TGEvenement>(db.Tables().evenements, kBirthG2, [](TGEvenement& e) { e.SetPartage(true); });
         return CodeID{0};
       },
       {"shared-event-link-created"},
       [](CodeID) { return Keys({"+TBLINK/new"}); },
       [](TGDatabase& db, CodeID) {
         const CodeID link = db.Tables().liens->LeLienIndiEvt(kG2, kBirthG2);
         ASSERT_NE(link, 0u);
         TGLien l;
         ASSERT_TRUE(l.LitDans(link, db.Tables().liens));
         EXPECT_EQ(l.GetLienDe(), kG2);
         EXPECT_EQ(l.GetType(), 101);
       }},
      {"LinkWithAMissingEnd",
       [](TGDatabase& db) {
         Edit<TGLien>(db.Tables().liens, kWitness, [](TGLien& l) { l.SetLienVers(kNobody); });
         return CodeID{0};
       },
       {"link-end-invalid-deleted"},
       [](CodeID) { return Keys({"-" + K("TBLINK", kWitness)}); },
       [](TGDatabase& db, CodeID) { EXPECT_FALSE(TGDatabase::EstDans(db.Tables().liens, kWitness)); }},
      {"LinkFromANonIndividual",
       [](TGDatabase& db) {
         Edit<TGLien>(db.Tables().liens, kWitness, [](TGLien& l) { l.SetLienDe(kUnionG1); });
         return CodeID{0};
       },
       {"link-end-invalid-deleted"},
       [](CodeID) { return Keys({"-" + K("TBLINK", kWitness)}); },
       [](TGDatabase& db, CodeID) { EXPECT_FALSE(TGDatabase::EstDans(db.Tables().liens, kWitness)); }},
      {"EventLinkWithAWrongType",
       [](TGDatabase& db) {
         Edit<TGLien>(db.Tables().liens, kWitness, [](TGLien& l) { l.SetType(5); });
         return CodeID{0};
       },
       {"link-type-defaulted"},
       [](CodeID) { return Keys({"~" + K("TBLINK", kWitness)}); },
       [](TGDatabase& db, CodeID) {
         TGLien l;
         ASSERT_TRUE(l.LitDans(kWitness, db.Tables().liens));
         EXPECT_EQ(l.GetType(), 101);
         EXPECT_EQ(l.GetLienVers(), kBirthG2);
       }},
      {"PersonLinkWithAWrongType",
       [](TGDatabase& db) {
         TGLien l;
         l.SetCodeID(db.GetNextID());
         l.SetLienDe(kG3s);
         l.SetLienVers(kG3);
         l.SetType(0);
         db.Tables().liens->EcritData(&l);
         return l.GetCodeID();
       },
       {"link-type-defaulted"},
       [](CodeID made) { return Keys({"~" + K("TBLINK", made)}); },
       [](TGDatabase& db, CodeID made) {
         TGLien l;
         ASSERT_TRUE(l.LitDans(made, db.Tables().liens));
         EXPECT_EQ(l.GetType(), 1);
       }},
      {"DocumentNatureOutOfRange",
       [](TGDatabase& db) {
         Edit<TGDocument>(db.Tables().documents, kDocument, [](TGDocument& d) { d.SetNatureActe(9); });
         return CodeID{0};
       },
       {"document-nature-reset"},
       [](CodeID) { return Keys({"~" + K("TG5Doc", kDocument)}); },
       [](TGDatabase& db, CodeID) {
         TGDocument d;
         ASSERT_TRUE(d.LitDans(kDocument, db.Tables().documents));
         EXPECT_EQ(d.GetNatureActe(), 0u);
       }},
      {"DocumentLinkToAMissingDocument",
       [](TGDatabase& db) {
         TGLienDocument l;
         l.SetCodeID(db.GetNextID());
         l.SetXREFEvenement(kBirthG4);
         l.SetXREFDocument(kNobody);
         db.Tables().DocumentLiens()->EcritData(&l);
         return l.GetCodeID();
       },
       {"source-index-entry-removed", "document-link-deleted"},
       [](CodeID made) {
         return Keys({"-" + K("TG5LinkDoc", made), "-" + Item("TBDoc-IdxDoc", {kBirthG4, kNobody, made}, 12)});
       },
       [](TGDatabase& db, CodeID made) {
         EXPECT_FALSE(TGDatabase::EstDans(db.Tables().DocumentLiens(), made));
         LArray out(4, nullptr, false);
         db.Tables().DocumentLiens()->DocumentDe(kBirthG2, &out);
         EXPECT_EQ(out.GetCount(), 1u);
         EXPECT_TRUE(TGDatabase::EstDans(db.Tables().DocumentLiens(), kCitation));
       }},
      {"MediaLinkToAMissingMedium",
       [](TGDatabase& db) {
         TGLienMedia l;
         EXPECT_TRUE(l.LitDans(kMediaLink, db.Tables().MediaLiens()));
         l.SetXREFMedia(kNobody);
         db.Tables().MediaLiens()->EcritData(&l);
         return CodeID{0};
       },
       {"media-link-deleted"},
       [](CodeID) { return Keys({"-" + K("TG5LinkMedia", kMediaLink)}); },
       [](TGDatabase& db, CodeID) { EXPECT_FALSE(TGDatabase::EstDans(db.Tables().MediaLiens(), kMediaLink)); }},
      {"FirstNameLinkNamingNothing",
       [](TGDatabase& db) {
         db.Tables().liensPrenoms->AjouteLien(kNobody, kRene, false);
         return CodeID{0};
       },
       {"first-name-link-removed", "first-name-link-removed"},
       [](CodeID) {
         return Keys({"-" + Item("TBLiensPrenoms", {kNobody, kRene}, 12),
                      "-" + Item("TBLiensPrenoms", {kRene, kNobody}, 12)});
       },
       [](TGDatabase& db, CodeID) { EXPECT_EQ(db.Tables().liensPrenoms->GetCount(), 2u); }},
      {"ProfessionLinkNamingNothing",
       [](TGDatabase& db) {
         db.Tables().liensProfessions->AjouteLien(kMedecin, kNobody);
         return CodeID{0};
       },
       {"profession-link-removed", "profession-link-removed"},
       [](CodeID) {
         return Keys({"-" + Item("TBLiensProfessions", {kNobody, kMedecin}, 8),
                      "-" + Item("TBLiensProfessions", {kMedecin, kNobody}, 8)});
       },
       [](TGDatabase& db, CodeID) { EXPECT_EQ(db.Tables().liensProfessions->GetCount(), 2u); }},
      {"RememberedIndividualThatDoesNotExist",
       [](TGDatabase& db) {
         db.Tables().indiMarques->Marque(kNobody);
         return CodeID{0};
       },
       {"remembered-individual-removed"},
       [](CodeID) { return Keys({"-" + Item("CkeckedPeoples", {kNobody}, 4)}); },
       [](TGDatabase& db, CodeID) { EXPECT_TRUE(db.Tables().indiMarques->EstMarque(kG4)); }},
      {"AddressLinkToNobody",
       [](TGDatabase& db) {
         db.Tables().adresseLiens->AjouteLien(kAdresse, kNobody);
         return CodeID{0};
       },
       {"address-link-removed"},
       [](CodeID) { return Keys({"-" + Item("AdresseLiens", {kAdresse, kNobody}, 8)}); },
       [](TGDatabase& db, CodeID) { EXPECT_TRUE(db.Tables().adresseLiens->EstLie(kAdresse, kG2)); }},
      {"AddressNamingAUnionThatIsGone",
       [](TGDatabase& db) {
         Edit<TGAdresse>(db.Tables().dicoAdresses, kAdresse, [](TGAdresse& a) {
           a.SetOldXREFUnion(kNobody);
           a.SetOldXREFHomme(kG2);
         });
         return CodeID{0};
       },
       {"address-reference-cleared"},
       [](CodeID) { return Keys({"~" + K("TGTableDicoAdresses", kAdresse)}); },
       [](TGDatabase& db, CodeID) {
         TGAdresse a;
         ASSERT_TRUE(a.LitDans(kAdresse, db.Tables().dicoAdresses));
         EXPECT_EQ(a.GetOldXREFUnion(), 0u);
         EXPECT_EQ(a.GetOldXREFHomme(), kG2);  // an individual: kept
       }},
      {"TaskLinkToNobody",
       [](TGDatabase& db) {
         db.Tables().tacheIndividus->AjouteLien(kTache, kNobody);
         return CodeID{0};
       },
       {"task-link-removed"},
       [](CodeID) { return Keys({"-" + Item("TacheIndividus", {kTache, kNobody}, 8)}); },
       [](TGDatabase& db, CodeID) { EXPECT_TRUE(db.Tables().tacheIndividus->EstLie(kTache, kG2)); }},
      {"EmptyNote",
       [](TGDatabase& db) {
         TVGNote n;
         n.NewNote(kG3, "", false);
         n.EcritDans(kG3, db.Tables().notes);
         return CodeID{0};
       },
       {"empty-note-deleted"},
       [](CodeID) { return Keys({"-" + K("TableNote", kG3)}); },
       [](TGDatabase& db, CodeID) { EXPECT_TRUE(db.Tables().notes->HasNote(kG4)); }},
      {"NoteOwnedByNobody",
       [](TGDatabase& db) {
         TVGNote n;
         n.NewNote(kNobody, "orpheline", false);
         n.EcritDans(kNobody, db.Tables().notes);
         return CodeID{0};
       },
       {"unused-note-deleted"},
       [](CodeID) { return Keys({"-" + K("TableNote", kNobody)}); },
       [](TGDatabase& db, CodeID) { EXPECT_TRUE(db.Tables().notes->HasNote(kG4)); }},
      {"SurnameAttachedToItself",
       [](TGDatabase& db) {
         Edit<TGNom>(db.Tables().dicoNoms, kLefevre, [](TGNom& n) { n.SetRattachement(kLefevre); });
         return CodeID{0};
       },
       {"main-name-cleared"},
       [](CodeID) { return Keys({"~" + K("TGTableDicoNoms", kLefevre)}); },
       [](TGDatabase& db, CodeID) {
         TGNom n;
         ASSERT_TRUE(n.LitDans(kLefevre, db.Tables().dicoNoms));
         EXPECT_EQ(n.GetRattachement(), 0u);
       }},
      {"SurnameAttachedToNothing",
       [](TGDatabase& db) {
         Edit<TGNom>(db.Tables().dicoNoms, kDupre, [](TGNom& n) { n.SetRattachement(kG1); });
         return CodeID{0};
       },
       {"main-name-cleared"},
       [](CodeID) { return Keys({"~" + K("TGTableDicoNoms", kDupre)}); },
       [](TGDatabase& db, CodeID) {
         TGNom n;
         ASSERT_TRUE(n.LitDans(kDupre, db.Tables().dicoNoms));
         EXPECT_EQ(n.GetRattachement(), 0u);
       }},
      {"EmptySurname",
       [](TGDatabase& db) {
         Edit<TGNom>(db.Tables().dicoNoms, kDupre, [](TGNom& n) { n.SetNom("  "); });
         return CodeID{0};
       },
       {"empty-surname-replaced"},
       [](CodeID) { return Keys({"~" + K("TGTableDicoNoms", kDupre)}); },
       [](TGDatabase& db, CodeID) {
         TGNom n;
         ASSERT_TRUE(n.LitDans(kDupre, db.Tables().dicoNoms));
         EXPECT_EQ(n.GetStoredNom(), "NO NAME");
       }},
      {"IndividualThatCannotBeDecoded",
       [](TGDatabase& db) {
         // Its code, then five bytes: shorter than the base fields.
         const CodeID code = db.GetNextID();
         unsigned char bytes[9] = {static_cast<unsigned char>(code), static_cast<unsigned char>(code >> 8), 0, 0,
                                   1, 2, 3, 4, 5};
         db.Tables().individus->LXArray::EcritData(code, bytes, sizeof bytes);
         return code;
       },
       {"unreadable-deleted"},
       [](CodeID made) { return Keys({"-" + K("TGTableIndividus", made)}); },
       [](TGDatabase& db, CodeID made) { EXPECT_FALSE(db.EstIndividu(made)); }},
      {"EventThatCannotBeDecoded",
       [](TGDatabase& db) {
         // Its code, then a text without its NUL where the base fields go on.
         const CodeID code = db.GetNextID();
         unsigned char bytes[20] = {static_cast<unsigned char>(code), static_cast<unsigned char>(code >> 8), 0, 0};
         for (int i = 4; i < 20; ++i) bytes[i] = 'x';
         db.Tables().evenements->LXArray::EcritData(code, bytes, sizeof bytes);
         return code;
       },
       {"unreadable-deleted"},
       [](CodeID made) { return Keys({"-" + K("TGTableEvenements", made)}); },
       [](TGDatabase& db, CodeID made) { EXPECT_FALSE(db.EstEvenement(made)); }},
      {"RecordWhoseCodeRepeatsAnother",
       [](TGDatabase& db) {
         // A copy of the Lyon place's bytes, its own code inside, stored
         // under a new code after it: the store holds the code twice.
         unsigned char bytes[512];
         const unsigned size = db.Tables().dicoLieux->FetchData(kLyon, bytes, sizeof bytes);
         EXPECT_GT(size, 4u);
         EXPECT_LE(size, sizeof bytes);
         const CodeID code = db.GetNextID();
         db.Tables().dicoLieux->LXArray::EcritData(code, bytes, size);
         return code;
       },
       {"code-renumbered"},
       [](CodeID made) { return Keys({"-" + K("TGTableDicoLieux", made), "+TGTableDicoLieux/new"}); },
       [](TGDatabase& db, CodeID) { EXPECT_TRUE(db.EstLieu(kLyon)); }},
  };
  return cases;
}

class ControleurCaseTest : public ::testing::TestWithParam<Case> {
 protected:
  testing::DatabaseSandbox box;
  RecordingHost host;
};

TEST_P(ControleurCaseTest, RepairsTheFaultAndNothingElse) {
  const Case& c = GetParam();
  const std::string path = box.Path("family.genvora");
  CodeID made = 0;
  {
    TGDatabaseSosa db;
    testing::SoundFamily(db);
    made = c.fault(db);
    ASSERT_TRUE(EcritGeneration(db, path, Generation::Current));
  }
  std::map<std::string, std::string> before;
  {
    auto db = Open(path, true);
    ASSERT_NE(db, nullptr);
    before = Snapshot(*db);
  }

  TVG5Controleur check;
  check.NomFichier = path;
  const auto bytes = ReadAll(path);
  ASSERT_TRUE(check.TraiterLeFichier(false));
  EXPECT_EQ(ReadAll(path), bytes);
  TVG5Controleur repair;
  repair.NomFichier = path;
  ASSERT_TRUE(repair.TraiterLeFichier(true)) << repair.Raison();
  EXPECT_TRUE(repair.Enregistre());

  // A check finds what a repair does.
  ASSERT_EQ(check.Changes().size(), repair.Changes().size());
  std::vector<std::string> whats;
  for (const auto& change : repair.Changes()) {
    whats.push_back(change.what);
    EXPECT_FALSE(change.line.empty());
    EXPECT_NE(change.code, 0u) << change.what;
    if (change.what == "source-index-entry-removed") {
      EXPECT_EQ(change.code, made);  // the link's code
    }
    EXPECT_EQ(std::count(repair.StringLog.begin(), repair.StringLog.end(), change.line), 1) << change.line;
    if (change.what == "unreadable-deleted") {
      // The table, the code and the reason.
      EXPECT_NE(change.line.find("TGTable"), AnsiString::npos) << change.line;
      EXPECT_NE(change.line.find("#" + std::to_string(made)), AnsiString::npos) << change.line;
      EXPECT_NE(change.line.find("("), AnsiString::npos) << change.line;
    }
  }
  EXPECT_EQ(whats, c.whats);
  std::uint32_t counted = 0;
  for (std::uint32_t n : repair.ChangesParEtape()) counted += n;
  EXPECT_EQ(counted, repair.Changes().size());

  // The repaired file opens normally, without the forced mode.
  auto after = Open(path, false);
  ASSERT_NE(after, nullptr);
  EXPECT_FALSE(after->Header.FichierAVerifier());
  EXPECT_EQ(Diff(before, Snapshot(*after)), c.diff(made));
  c.repaired(*after, made);
  const auto snapshot = Snapshot(*after);
  after->CheckDatabase();
  EXPECT_EQ(Snapshot(*after), snapshot);
  after.reset();

  // The previous file is the backup.
  EXPECT_EQ(ReadAll(box.Path("family.bak")), bytes);

  // Repair is idempotent.
  TVG5Controleur again;
  again.NomFichier = path;
  ASSERT_TRUE(again.TraiterLeFichier(false));
  for (const auto& change : again.Changes()) ADD_FAILURE() << change.what << ": " << change.line;
  EXPECT_FALSE(again.VerificationDemandee());
}

INSTANTIATE_TEST_SUITE_P(Faults, ControleurCaseTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

class ControleurTest : public ::testing::Test {
 protected:
  testing::DatabaseSandbox box;
  RecordingHost host;
};

TEST_F(ControleurTest, SoundFileNeedsNothingAndIsNotWritten) {
  const std::string path = box.Path("family.genvora");
  {
    TGDatabaseSosa db;
    testing::SoundFamily(db);
    ASSERT_TRUE(EcritGeneration(db, path, Generation::Current));
  }
  const auto bytes = ReadAll(path);
  TVG5Controleur c;
  c.NomFichier = path;
  ASSERT_TRUE(c.TraiterLeFichier(true));
  EXPECT_TRUE(c.Changes().empty());
  EXPECT_FALSE(c.Enregistre());
  EXPECT_EQ(ReadAll(path), bytes);
  // The medium's file is nowhere: a line, no change.
  ASSERT_EQ(c.Remarques().size(), 1u);
  EXPECT_NE(c.Remarques()[0].find("portrait"), std::string::npos);
  // Every record of every step is counted once in the progress.
  EXPECT_GT(c.NombreDELements, 0);
  EXPECT_EQ(c.NombreDELementsTraites, c.NombreDELements);
  EXPECT_EQ(c.PourcentTexte, 100);
  // Progress goes to the host step by step, with the step's record count.
  const auto last = std::find_if(host.progress.rbegin(), host.progress.rend(),
                                 [](const RecordingHost::ProgressStep& p) { return p.what == "individuals"; });
  ASSERT_NE(last, host.progress.rend());
  EXPECT_EQ(last->done, 7);
  EXPECT_EQ(last->total, 7);
}

TEST_F(ControleurTest, MediumFoundInTheMediaFolderGetsItsPathAndThumbnail) {
  const std::string path = box.Path("family.genvora");
  TBitmap picture;
  picture.width = 400;
  picture.height = 300;
  picture.rgb.assign(400 * 300 * 3, 0x80);
  const std::string jpeg = EncodeJpeg(picture, 80);
  {
    TGDatabaseSosa db;
    testing::SoundFamily(db);
    // Its stored thumbnail is the whole picture: too large.
    TGMedia m;
    ASSERT_TRUE(m.LitDans(19, db.Tables().medias));
    const TJPEGImage large(jpeg);
    m.SaveVignette(&large);
    db.Tables().medias->EcritData(&m);
    ASSERT_TRUE(EcritGeneration(db, path, Generation::Current));
  }
  // The picture lies in the database's media folder, not where the record
  // says (a relative path from another machine).
  std::filesystem::create_directories(box.Path("Media"));
  WriteAll(box.Path("Media/portrait-no\xEBl.jpg"), std::vector<unsigned char>(jpeg.begin(), jpeg.end()));

  TVG5Controleur c;
  c.NomFichier = path;
  ASSERT_TRUE(c.TraiterLeFichier(true));
  std::vector<std::string> whats;
  for (const auto& change : c.Changes()) whats.push_back(change.what);
  EXPECT_EQ(whats, (std::vector<std::string>{"media-path-corrected", "media-thumbnail-rebuilt"}));
  EXPECT_TRUE(c.Remarques().empty());
  auto db = Open(path, false);
  ASSERT_NE(db, nullptr);
  TGMedia m;
  ASSERT_TRUE(m.LitDans(19, db->Tables().medias));
  EXPECT_EQ(m.GetOriginalFullPath(), box.Path("Media/portrait-no\xEBl.jpg"));
  const TBitmap vignette = DecodeJpeg(m.GetVignette());
  EXPECT_EQ(vignette.width, 256);
  EXPECT_LE(vignette.height, 256);
}

// Past a threshold, deletions and event rewrites go in one pass and the
// tables' indexes are made again: the same result as one by one.
TEST_F(ControleurTest, ManyRepairsOfOneKindLeaveTheIndexesRight) {
  const std::string path = box.Path("family.genvora");
  {
    TGDatabaseSosa db;
    testing::SoundFamily(db);
    TGDatabaseTables& t = db.Tables();
    for (int i = 0; i < 200; ++i) {
      TGLien l;
      l.SetCodeID(db.GetNextID());
      l.SetLienDe(kG3s);
      l.SetLienVers(kNobody);
      l.SetType(1);
      t.liens->EcritData(&l);
      NewUnion(db, 0, kNobody + static_cast<CodeID>(i));
    }
    for (int i = 0; i < 1100; ++i) NewEvent(db, kG4, 61);
    ASSERT_TRUE(EcritGeneration(db, path, Generation::Current));
  }
  TVG5Controleur c;
  c.NomFichier = path;
  ASSERT_TRUE(c.TraiterLeFichier(true));
  EXPECT_EQ(c.ChangesParEtape()[etTableLiens], 200u);
  EXPECT_EQ(c.ChangesParEtape()[etTableUnions], 400u);  // the wife cleared, then the union deleted
  EXPECT_EQ(c.ChangesParEtape()[etTableEvenements], 1100u);

  auto db = Open(path, false);
  ASSERT_NE(db, nullptr);
  TGDatabaseTables& t = db->Tables();
  std::vector<CodeID> links;
  t.liens->LesLiensDe(kG3s, links, llTous);
  EXPECT_EQ(links, std::vector<CodeID>{kWitness});
  EXPECT_EQ(t.unions->GetCount(), 2u);
  EXPECT_EQ(t.unions->UnionCouple(kG2, kG2w), kUnionG2);
  std::vector<CodeID> events;
  t.evenements->LesEvenementsDe(kG4, events);
  EXPECT_EQ(events.size(), 1101u);
  EXPECT_EQ(t.individus->GetIndexAlpha()->GetCount(), 7u);
  // What the file holds is what the tables would index themselves.
  LArray* index = t.evenements->GetIndex();
  std::vector<std::string> before;
  for (int i = 1; i <= static_cast<int>(index->GetCount()); ++i)
    before.emplace_back(static_cast<const char*>(index->GetItemPtr(i)), index->GetItemSize(i));
  t.evenements->ReIndex();
  std::vector<std::string> after;
  for (int i = 1; i <= static_cast<int>(index->GetCount()); ++i)
    after.emplace_back(static_cast<const char*>(index->GetItemPtr(i)), index->GetItemSize(i));
  EXPECT_EQ(before, after);
  db.reset();

  TVG5Controleur again;
  again.NomFichier = path;
  ASSERT_TRUE(again.TraiterLeFichier(false));
  EXPECT_TRUE(again.Changes().empty());
}

// Large tables are read a chunk at a time, each chunk decoded on every
// core: the changes come in the order of the records, with unreadable
// records spread through the chunks, and the repair is what a check finds.
TEST_F(ControleurTest, LargeTablesReportTheirChangesInTheOrderOfTheirRecords) {
  const std::string path = box.Path("family.genvora");
  std::vector<std::pair<std::string, CodeID>> expected, unreadable;
  {
    TGDatabaseSosa db;
    testing::SoundFamily(db);
    TGDatabaseTables& t = db.Tables();
    t.individus->SetBatchModeTo(true);
    for (int i = 0; i < 20000; ++i) {
      const CodeID code = db.GetNextID();
      if (i % 6007 == 5) {
        // Its code, then five bytes: shorter than the base fields.
        const unsigned char bytes[9] = {static_cast<unsigned char>(code), static_cast<unsigned char>(code >> 8),
                                        static_cast<unsigned char>(code >> 16), 0, 1, 2, 3, 4, 5};
        t.individus->LXArray::EcritData(code, bytes, sizeof bytes);
        unreadable.emplace_back("unreadable-deleted", code);
        continue;
      }
      TGIndividu indi;
      indi.SetCodeID(code);
      indi.SetChar(5, "Jean");
      if (i % 97 == 0) {
        indi.SetCodePere(kNobody);
        expected.emplace_back("father-invalid-cleared", code);
      }
      t.individus->EcritData(&indi);
    }
    t.individus->SetBatchModeTo(false);
    expected.insert(expected.end(), unreadable.begin(), unreadable.end());
    unreadable.clear();
    for (int i = 0; i < 20000; ++i) {
      if (i % 7001 == 3) {
        // Its code, then a text without its NUL where the base fields go on.
        const CodeID code = db.GetNextID();
        unsigned char bytes[20] = {static_cast<unsigned char>(code), static_cast<unsigned char>(code >> 8),
                                   static_cast<unsigned char>(code >> 16), 0};
        for (int k = 4; k < 20; ++k) bytes[k] = 'x';
        t.evenements->LXArray::EcritData(code, bytes, sizeof bytes);
        unreadable.emplace_back("unreadable-deleted", code);
        continue;
      }
      const CodeID code = NewEvent(db, kG4, i % 89 == 0 ? 61 : 4);
      if (i % 89 == 0) expected.emplace_back("individual-event-type-corrected", code);
    }
    expected.insert(expected.end(), unreadable.begin(), unreadable.end());
    ASSERT_TRUE(EcritGeneration(db, path, Generation::Current));
  }
  TVG5Controleur check;
  check.NomFichier = path;
  ASSERT_TRUE(check.TraiterLeFichier(false));
  std::vector<std::pair<std::string, CodeID>> found;
  for (const auto& change : check.Changes())
    if (change.what != "parents-union-created") found.emplace_back(change.what, change.code);
  EXPECT_EQ(found, expected);
  TVG5Controleur repair;
  repair.NomFichier = path;
  ASSERT_TRUE(repair.TraiterLeFichier(true)) << repair.Raison();
  ASSERT_EQ(repair.Changes().size(), check.Changes().size());
  for (std::size_t k = 0; k < check.Changes().size(); ++k)
    EXPECT_EQ(repair.Changes()[k].line, check.Changes()[k].line) << k;
  TVG5Controleur again;
  again.NomFichier = path;
  ASSERT_TRUE(again.TraiterLeFichier(false));
  for (const auto& change : again.Changes()) ADD_FAILURE() << change.what << ": " << change.line;
}

TEST_F(ControleurTest, HeaderAskingForVerificationIsVerifiedAndSaved) {
  const std::string path = box.Path("family.genvora");
  {
    TGDatabaseSosa db;
    testing::SoundFamily(db);
    LegacyWriteOptions options;
    options.requestVerification = true;
    ASSERT_TRUE(EcritGeneration(db, path, Generation::Current, options));
  }
  ASSERT_EQ(Open(path, false), nullptr);  // a normal open refuses it
  TVG5Controleur check;
  check.NomFichier = path;
  ASSERT_TRUE(check.TraiterLeFichier(false));
  EXPECT_TRUE(check.VerificationDemandee());
  EXPECT_FALSE(check.Enregistre());
  TVG5Controleur repair;
  repair.NomFichier = path;
  ASSERT_TRUE(repair.TraiterLeFichier(true));
  EXPECT_TRUE(repair.Changes().empty());
  EXPECT_TRUE(repair.Enregistre());
  auto db = Open(path, false);
  ASSERT_NE(db, nullptr);
  EXPECT_FALSE(db->Header.FichierAVerifier());
}

TEST_F(ControleurTest, UnreadableTableIsSavedOnlyWhenTheLossIsAccepted) {
  const std::string path = box.Path("family.genvora");
  testing::WriteWithUnreadableTable(path);
  const auto bytes = ReadAll(path);
  ASSERT_EQ(Open(path, false), nullptr);

  TVG5Controleur refused;
  refused.NomFichier = path;
  EXPECT_FALSE(refused.TraiterLeFichier(true));
  EXPECT_TRUE(refused.Ouvert());
  EXPECT_FALSE(refused.Enregistre());
  ASSERT_EQ(refused.TablesPerdues().size(), 1u);
  EXPECT_NE(refused.TablesPerdues()[0].find("TableNote"), std::string::npos);
  // The log names the table lost.
  EXPECT_TRUE(std::any_of(refused.StringLog.begin(), refused.StringLog.end(),
                          [](const AnsiString& line) { return line.find("TableNote") != AnsiString::npos; }));
  EXPECT_EQ(ReadAll(path), bytes);
  EXPECT_FALSE(std::filesystem::exists(box.Path("family.bak")));

  TVG5Controleur accepted;
  accepted.NomFichier = path;
  accepted.AccepterPerte = true;
  ASSERT_TRUE(accepted.TraiterLeFichier(true)) << accepted.Raison();
  EXPECT_TRUE(accepted.Enregistre());
  EXPECT_EQ(ReadAll(box.Path("family.bak")), bytes);
  auto db = Open(path, false);
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(db->Tables().individus->GetCount(), 7u);
  EXPECT_EQ(db->Tables().notes->GetCount(), 0u);
}

TEST_F(ControleurTest, UnopenableFileIsALogLineAndFalse) {
  TVG5Controleur c;
  c.NomFichier = box.Path("absent.genvora");
  EXPECT_FALSE(c.TraiterLeFichier(true));
  EXPECT_FALSE(c.Ouvert());
  ASSERT_EQ(c.StringLog.size(), 1u);
  EXPECT_NE(c.StringLog[0].find("absent.genvora"), std::string::npos);
}

TEST_F(ControleurTest, RebuildOfNameLinksIsAChange) {
  const std::string path = box.Path("family.genvora");
  {
    TGDatabaseSosa db;
    testing::SoundFamily(db);
    db.Tables().liensPrenoms->Flush();
    ASSERT_TRUE(EcritGeneration(db, path, Generation::Current));
  }
  TVG5Controleur c;
  c.NomFichier = path;
  c.ReconstruireLiensPrenoms = true;
  ASSERT_TRUE(c.TraiterLeFichier(true));
  ASSERT_EQ(c.Changes().size(), 1u);
  EXPECT_EQ(c.Changes()[0].what, "name-links-rebuilt");
  auto db = Open(path, false);
  ASSERT_NE(db, nullptr);
  // Every individual's first names are linked again.
  EXPECT_GE(db->Tables().liensPrenoms->GetCount(), 14u);
}

}  // namespace
}  // namespace genvora
