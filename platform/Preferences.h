// The host's preferences object: the few user settings the engine reads.
//
// They are plain fields with the defaults of a fresh installation, and the
// configuration store (the save and integrity history) is an IniStore. The
// engine reaches the object through SharedPrefs(), which is null until a
// host installs one: every reader states what it does without preferences.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Settings.h"
#include "platform/Types.h"

namespace genvora {

class TPreferenceGenvora5 {
 public:
  // `configPath` is the ini file of the configuration store; empty = memory.
  explicit TPreferenceGenvora5(std::string configPath = IniStore::DefaultPath());

  IniStore& GetConfigFile() { return config_; }

  // Date order of date texts: "1" = month-day-year, anything else
  // day-month-year.
  std::string FormatDateFRUS = "0";

  // Words never capitalised or made into first names ("de", "von"...),
  // compared accent-free and in upper case.
  std::vector<AnsiString> ExceptionsCapitalisation;

  // Text conversion of first names and of place and surname fields: when
  // set, display texts go through ConvertText.
  bool ConvertirTextes = false;
  virtual AnsiString ConvertText(const AnsiString& text) const { return text; }

  // Case styles: 0 = upper case, 1 = every word capitalised, other =
  // unchanged. One for surnames, one per place field (town, code,
  // department, region, country, subdivision...).
  int CasseNom = 0;
  int CasseLieu[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  // Entry style of places (0 to 3).
  int StyleSaisieLieu = 0;

  // The two lists of standard event names, indexed by international index.
  std::vector<AnsiString> EventNames1;
  std::vector<AnsiString> EventNames2;

  // ---- Thresholds of the consistency control of dates.
  //
  // Kept in the per-user store as one binary value of 56 bytes (hex text,
  // section kSectionControles, key "Seuils"), little-endian:
  //
  // | offset | size | field                                              |
  // |--------|------|----------------------------------------------------|
  // | 0      | 4x13 | the counts of TSeuilControle, in order, int32      |
  // | 52     | 1    | DrapeauControle                                    |
  // | 53     | 3    | zero                                               |
  //
  // A stored value that is not exactly 56 bytes of hex is ignored: the
  // defaults stay in force.
  enum TSeuilControle : int {
    scAgeMinUnionHomme = 0,
    scAgeMinUnionFemme = 1,
    scAgeMaxUnionHomme = 2,
    scAgeMaxUnionFemme = 3,
    scAgeMinPere = 4,
    scAgeMinMere = 5,
    scAgeMaxPere = 6,
    scAgeMaxMere = 7,
    scAgeMaxDecesHomme = 8,
    scAgeMaxDecesFemme = 9,
    scEcartNaissancesMax = 10,  // days
    scEcartNaissancesMin = 11,  // days; twins below it
    scEcartAgeConjoints = 12,
  };
  static constexpr int kNombreSeuils = 13;
  static constexpr std::size_t kTailleControles = 56;
  static constexpr const char* kSectionControles = "Controles";

  std::array<std::int32_t, kNombreSeuils> Seuils{};
  // Carried with the block; no rule reads it.
  std::uint8_t DrapeauControle = 1;
  int Seuil(TSeuilControle which) const { return Seuils[which]; }
  void SetSeuil(TSeuilControle which, int value) { Seuils[which] = value; }
  // The thresholds of a fresh installation.
  void RestoreDefaultControls();

  // The 56 bytes and back; ControlesDepuis leaves the block unchanged and
  // answers false unless given exactly 56 bytes.
  std::array<std::uint8_t, kTailleControles> ControlesEnOctets() const;
  bool ControlesDepuis(const std::uint8_t* bytes, std::size_t size);

  // Completeness criteria: what makes an event incomplete.
  bool CompletDateApproximative = true;  // a qualified date or one without day
  bool CompletLieu = true;               // no place
  bool CompletSource = false;            // no source document
  bool CompletRecherche = false;         // its certificate is to be searched for

  // Writes the thresholds and the completeness criteria into the per-user
  // store; false when the store could not be written.
  bool SauveControles();

  // Maximum ages at death, in years: fields 8 and 9 of the thresholds.
  int AgeMaxHomme() const { return Seuils[scAgeMaxDecesHomme]; }
  int AgeMaxFemme() const { return Seuils[scAgeMaxDecesFemme]; }
  void SetAgeMaxHomme(int years) { Seuils[scAgeMaxDecesHomme] = years; }
  void SetAgeMaxFemme(int years) { Seuils[scAgeMaxDecesFemme] = years; }

  // The application's current record (none = 0) and the language code of
  // the profession reference query.
  CodeID CurrentRecord = 0;
  std::string LangueReference = "fr";
  // UTF-8 path of the reference database of professions (a SQLite file with
  // a table Professions(profession, locale)); empty = none.
  std::string ProfessionsReference;

  virtual ~TPreferenceGenvora5() = default;

 private:
  // Reads what SauveControles writes; absent or malformed values keep the
  // defaults.
  void ChargeControles();
  IniStore config_;
};

// The shared preferences object, or null when the host installed none.
TPreferenceGenvora5* SharedPrefs();
// Installs `prefs` (not owned; null removes them).
void SetSharedPrefs(TPreferenceGenvora5* prefs);

// Sets the application's current record to none for the life of the object,
// as every write into a table does, and restores it on every exit path.
class CurrentRecordCleared {
 public:
  CurrentRecordCleared() : prefs_(SharedPrefs()) {
    if (prefs_ != nullptr) {
      saved_ = prefs_->CurrentRecord;
      prefs_->CurrentRecord = 0;
    }
  }
  ~CurrentRecordCleared() {
    if (prefs_ != nullptr) prefs_->CurrentRecord = saved_;
  }
  CurrentRecordCleared(const CurrentRecordCleared&) = delete;
  CurrentRecordCleared& operator=(const CurrentRecordCleared&) = delete;

 private:
  TPreferenceGenvora5* prefs_;
  CodeID saved_ = 0;
};

// Installs preferences for the life of the object (tests); the configuration
// store is held in memory unless a path is given.
class ScopedPrefs {
 public:
  explicit ScopedPrefs(std::string configPath = {})
      : prefs_(std::make_unique<TPreferenceGenvora5>(std::move(configPath))), saved_(SharedPrefs()) {
    SetSharedPrefs(prefs_.get());
  }
  ~ScopedPrefs() { SetSharedPrefs(saved_); }
  ScopedPrefs(const ScopedPrefs&) = delete;
  ScopedPrefs& operator=(const ScopedPrefs&) = delete;
  TPreferenceGenvora5* operator->() { return prefs_.get(); }
  TPreferenceGenvora5& operator*() { return *prefs_; }

 private:
  std::unique_ptr<TPreferenceGenvora5> prefs_;
  TPreferenceGenvora5* saved_;
};

}  // namespace genvora
