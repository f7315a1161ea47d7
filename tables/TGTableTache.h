// TGTableTache: the user's tasks "TableTaches", an indexed store of TVGTache
// records, with two generic pair tables saved as arrays of their own:
// "TableTaches-Adresses" {task, address} and "TableTaches-Individus"
// {task, individual}.
#pragma once

#include <memory>
#include <vector>

#include "containers/LXArray.h"
#include "records/TVGTache.h"
#include "tables/TGTableLiensGenerique.h"

namespace genvora {

class TGTableTache : public LXArray {
 public:
  TGTableTache();

  // The pair tables live beside the store in the file; the database owns
  // them and hands them over.
  void SetLiens(TGTableLiensGenerique* adresses, TGTableLiensGenerique* individus) {
    adresses_ = adresses;
    individus_ = individus;
  }

  int EcritData(TVGTache* tache);
  bool FetchData(CodeID code, TVGTache* tache);
  // Removes the task and its pairs.
  int DeleteData(std::uint32_t code) override;
  using LXArray::EcritData;
  using LXArray::FetchData;

  void AjouterLienAdresse(CodeID tache, CodeID adresse);
  bool SupprimeLienAdresse(CodeID tache, CodeID adresse);
  void LesAdressesLies(CodeID tache, LArray* out) const;
  void AjouterLienIndividu(CodeID tache, CodeID individu);
  bool SupprimeLienIndividu(CodeID tache, CodeID individu);
  void LesIndividusLies(CodeID tache, LArray* out) const;
  // Removes every pair of either table holding `code`.
  void SupprimeLiensDeCode(CodeID code);

  // Loads the tasks in store order (only those not done when asked);
  // answers how many were loaded. Damaged records are skipped.
  int ChargeListeTache(std::vector<std::unique_ptr<TVGTache>>& out, bool nonRealiseesSeulement = false);
  // 1-based position of the task in the code list; 0 when absent.
  int SeekArray(CodeID code) const;

 private:
  TGTableLiensGenerique* adresses_ = nullptr;
  TGTableLiensGenerique* individus_ = nullptr;
};

}  // namespace genvora
