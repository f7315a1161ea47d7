// What the database commands of the tool share.
#include "cli/DatabaseSupport.h"
#include "cli/Commands.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "computations/TGDatabaseSosa.h"
#include "database/FileFormat.h"
#include "platform/Encoding.h"
#include "platform/Exception.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGMedia.h"
#include "records/TVGNote.h"
#include "records/TGLien.h"
#include "records/TGLieu.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"

namespace genvora::cli {

bool IsFileToRead(const std::string& path, std::string& reason) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec)) return true;
  reason = std::filesystem::exists(path, ec) ? "not a regular file" : "no such file";
  return false;
}

std::unique_ptr<TGDatabaseSosa> OpenDatabase(const std::string& path, const OpenOptions& options, std::string& reason) {
  if (!IsFileToRead(path, reason)) return nullptr;
  if (GetGenvoraFileFormat(path) == kFileFormatSqlite) {
    reason = kSqliteRefusal;
    return nullptr;
  }
  ToolHost host;
  auto db = std::make_unique<TGDatabaseSosa>();
  db->ReadOnly = !options.forSaving;
  db->ForcedMode = options.forced;
  db->AssigneNomDeFichier(path);
  try {
    if (!db->FichierOuvrir()) {
      reason = db->LastReason().empty() ? "the file cannot be opened" : db->LastReason();
      return nullptr;
    }
  } catch (const std::exception& e) {
    reason = ReasonOf(e);
    return nullptr;
  }
  return db;
}

std::unique_ptr<TGDatabaseSosa> OpenForReading(const std::string& path, bool forced, std::string& reason) {
  return OpenDatabase(path, OpenOptions{forced, false}, reason);
}

void PrintFailure(const std::string& path, const std::string& reason) { PrintError(path, EngineText(reason)); }

std::unique_ptr<TGDatabaseSosa> OpenPersonForReading(const std::string& path, CodeID code) {
  std::string reason;
  std::unique_ptr<TGDatabaseSosa> db = OpenForReading(path, false, reason);
  if (db == nullptr) {
    PrintFailure(path, reason);
    return nullptr;
  }
  if (!db->EstIndividu(code)) {
    PrintFailure(path, NotAnIndividual(*db, code));
    return nullptr;
  }
  return db;
}

int SaveInPlace(TGDatabase& db, const std::string& path) {
  if (db.FichierEnregistrer(true)) return kExitOk;
  PrintFailure(path, "not saved: " +
                         (db.LastReason().empty() ? std::string("the file cannot be written") : db.LastReason()));
  return kExitFailure;
}

std::string NotAnIndividual(const TGDatabase& db, CodeID code) {
  const char* kind = db.EstUnion(code)      ? "a union"
                     : db.EstEvenement(code) ? "an event"
                     : db.EstMedia(code)     ? "a medium"
                     : db.EstDicoNom(code)   ? "a surname"
                     : db.EstLieu(code)      ? "a place"
                                             : nullptr;
  if (kind == nullptr) return "no record with code " + std::to_string(code);
  return "code " + std::to_string(code) + " is " + kind + ", not an individual";
}

nlohmann::json TablesJson(const TGDatabase& db) {
  nlohmann::json out = nlohmann::json::object();
  const auto& read = db.SectionsRead();
  for (const auto& section : db.Tables().Sections())
    if (std::find(read.begin(), read.end(), section.name) != read.end())
      TGDatabaseTables::WalkArrays(section.array,
                                 [&](const LArray& a) { out[a.GetClassName()] = a.GetCount(); });
  return out;
}

std::vector<std::string> HeldNames(const TGDatabase& db) {
  const nlohmann::json tables = TablesJson(db);
  std::vector<std::string> names;
  for (auto it = tables.begin(); it != tables.end(); ++it) names.push_back(it.key());
  return names;
}

namespace {

std::string U(const AnsiString& s) { return AnsiToUtf8(s); }

std::string Hex(const unsigned char* p, unsigned n) {
  std::string out;
  char b[3];
  for (unsigned i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, "%02x", p[i]);
    out += b;
  }
  return out;
}

// Reads `code` into `r`; false with the reason when the entry is damaged.
bool Read(TGRoot& r, LXArray& store, CodeID code, AnsiString& damage) {
  if (r.LitDans(code, &store)) return true;
  damage = r.LastDamage().empty() ? AnsiString("the record cannot be read") : AnsiString(r.LastDamage());
  return false;
}

// The stored bytes in hexadecimal, and the mark of a damaged record when
// `damage` tells why it does not decode; answers `damage`.
AnsiString WithBytes(LXArray& store, CodeID code, const AnsiString& damage, nlohmann::ordered_json& j) {
  if (!damage.empty()) j["damaged"] = true;
  unsigned size = store.FetchData(code, nullptr, 0);
  std::vector<unsigned char> bytes(size);
  if (size != 0) store.FetchData(code, bytes.data(), size);
  j["size"] = size;
  j["bytes"] = Hex(bytes.data(), size);
  return damage;
}

// The fields of a record of a known kind under their record names; the
// bytes in hexadecimal otherwise or when the record does not decode. Answers
// why the record does not decode, empty when it does.
AnsiString AddFields(const std::string& table, LXArray& store, CodeID code, nlohmann::ordered_json& j) {
  AnsiString damage;
  try {
    if (table == "TGTableIndividus") {
      TGIndividu r;
      if (!Read(r, store, code, damage)) return WithBytes(store, code, damage, j);
      j["CodePere"] = r.GetCodePere();
      j["CodeMere"] = r.GetCodeMere();
      j["CodeNom"] = r.GetCodeNom();
      j["CodeAdresse"] = r.GetCodeAdresse();
      j["Prenoms"] = U(r.GetChar(5));
      j["Professions"] = U(r.GetChar(6));
      j["Sexe"] = U(r.GetChar(10));
      j["Note"] = U(r.GetChar(11));
      j["Numero"] = U(r.GetChar(12));
      j["Suffixe"] = U(r.GetChar(7));
      j["Alias"] = U(r.GetChar(8));
      j["Titre"] = U(r.GetChar(9));
      j["Prefixe"] = U(r.GetPrefixe());
      j["DateCreation"] = U(r.GetDateChaine(0));
      j["DateModification"] = U(r.GetDateChaine(1));
      return damage;
    }
    if (table == "TGTableUnion") {
      TGUnion r;
      if (!Read(r, store, code, damage)) return WithBytes(store, code, damage, j);
      j["Epoux"] = r.GetEpoux();
      j["Epouse"] = r.GetEpouse();
      j["Adresse"] = r.GetAdresse();
      j["TypeUnion"] = r.GetTypeUnion();
      j["TypeUnionTexte"] = U(r.GetTypeUnionTexte());
      j["Note"] = U(r.GetNoteText());
      return damage;
    }
    if (table == "TBLINK") {
      TGLien r;
      if (!Read(r, store, code, damage)) return WithBytes(store, code, damage, j);
      j["LienDe"] = r.GetLienDe();
      j["LienVers"] = r.GetLienVers();
      j["Type"] = r.GetType();
      j["Titre"] = U(r.GetTitre());
      j["Note"] = U(r.GetNote());
      return damage;
    }
    if (table == "TGTableDicoLieux") {
      TGLieu r;
      if (!Read(r, store, code, damage)) return WithBytes(store, code, damage, j);
      j["Ville"] = U(r.GetVille());
      j["CodeLieu"] = U(r.GetCodeLieu());
      j["Departement"] = U(r.GetDepartement());
      j["Region"] = U(r.GetRegion());
      j["Pays"] = U(r.GetPays());
      j["Rattachement"] = r.GetRattachement();
      j["Latitude"] = r.GetLatitude();
      j["Longitude"] = r.GetLongitude();
      return damage;
    }
    if (table == "TGTableEvenements") {
      TGEvenement r;
      if (!Read(r, store, code, damage)) return WithBytes(store, code, damage, j);
      j["Proprietaire"] = r.GetProprietaire();
      j["Type"] = static_cast<int>(r.GetType());
      j["DicoLieu"] = r.GetDicoLieu();
      const TGDate* date = r.GetDate();
      nlohmann::ordered_json d;
      d["text"] = U(date->GetText());
      for (int side = 0; side < 2; ++side) {
        nlohmann::ordered_json b;
        b["calendar"] = std::string(1, date->GetCalendar(side != 0) == 0 ? ' ' : date->GetCalendar(side != 0));
        b["day"] = date->GetDay(side != 0);
        b["month"] = date->GetMonth(side != 0);
        b["year"] = date->GetYear(side != 0);
        b["keyword"] = date->GetKeywordIndex(side != 0);
        d[side == 0 ? "first" : "second"] = b;
      }
      j["Date"] = d;
      j["Subdivision"] = U(r.GetSubdivision());
      j["Cause"] = U(r.GetCause());
      j["Partage"] = r.GetPartage();
      return damage;
    }
    if (table == "TableNote" || table == "TableNoteAideRecherche") {
      TVGNote r;
      if (!Read(r, store, code, damage)) return WithBytes(store, code, damage, j);
      j["Note"] = U(r.GetNoteRTF());
      j["Texte"] = U(r.GetNoteTxt());
      j["Privee"] = r.IsPrivee();
      return damage;
    }
    if (table == "TGTableMedias") {
      TGMedia r;
      if (!Read(r, store, code, damage)) return WithBytes(store, code, damage, j);
      j["CheminOriginal"] = U(r.GetOriginalFullPath());
      j["Note"] = U(r.GetNote());
      return damage;
    }
    if (table == "TGTableDicoNoms") {
      TGNom r;
      if (!Read(r, store, code, damage)) return WithBytes(store, code, damage, j);
      j["Nom"] = U(r.GetNom());
      j["Rattachement"] = r.GetRattachement();
      return damage;
    }
  } catch (const std::exception& e) {
    damage = ReasonOf(e);
  }
  return WithBytes(store, code, damage, j);
}

}  // namespace

void DumpRecords(const TGDatabase& db, const std::string& only,
                 const std::function<void(const nlohmann::ordered_json&)>& emit,
                 const std::function<void(const DamagedRecord&)>& damaged) {
  for (const auto& section : db.Tables().Sections()) {
    TGDatabaseTables::WalkArrays(section.array, [&](const LArray& a) {
      const std::string name = a.GetClassName();
      if (!only.empty() && name != only) return;
      if (name.size() > 7 && name.compare(name.size() - 7, 7, "-IDList") == 0 && only.empty()) return;
      auto* store = dynamic_cast<LXArray*>(const_cast<LArray*>(&a));
      if (store != nullptr && store->GetCodeList() != nullptr) {
        // The codes first, then the records: a walk by position over the
        // live code list would skip a record whenever a read changed it.
        const LArray& list = *store->GetCodeList();
        std::vector<CodeID> codes;
        codes.reserve(list.GetCount());
        for (int i = 1; i <= static_cast<int>(list.GetCount()); ++i) {
          std::uint32_t pair[2] = {0, 0};
          if (list.FetchItemAt(i, pair)) codes.push_back(pair[0]);
        }
        for (const CodeID code : codes) {
          nlohmann::ordered_json j{{"table", name}, {"code", code}};
          const AnsiString damage = AddFields(name, *store, code, j);
          emit(j);
          if (!damage.empty() && damaged) damaged(DamagedRecord{name, code, damage});
        }
        return;
      }
      for (int i = 1; i <= static_cast<int>(a.GetCount()); ++i) {
        const auto* p = static_cast<const unsigned char*>(a.GetItemPtr(i));
        unsigned n = a.GetItemSize(i);
        nlohmann::ordered_json j{{"table", name}, {"index", i}};
        if (p != nullptr && a.HasFixedItems() && n % 4 == 0) {
          nlohmann::json words = nlohmann::json::array();
          for (unsigned k = 0; k < n; k += 4) {
            std::uint32_t w;
            std::memcpy(&w, p + k, 4);
            words.push_back(w);
          }
          j["code"] = words.empty() ? 0u : words[0].get<std::uint32_t>();
          j["words"] = words;
        } else if (p != nullptr) {
          // A text item (a particle) has no code of its own.
          j["code"] = 0;
          j["text"] = AnsiToUtf8(std::string(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), n)));
        }
        emit(j);
      }
    });
  }
}

nlohmann::json RecordsByTable(const TGDatabase& db) {
  nlohmann::json out = nlohmann::json::object();
  DumpRecords(db, "", [&](const nlohmann::ordered_json& j) {
    nlohmann::json copy = j;
    copy.erase("DateModification");
    out[j["table"].get<std::string>()].push_back(copy);
  });
  return out;
}

}  // namespace genvora::cli
