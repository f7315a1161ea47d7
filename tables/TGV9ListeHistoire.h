// TGV9ListeHistoire: the list of historical facts shown on time lines, an
// indexed store "TGV9ListeHistoire" of TGV9FaitHistorique records kept in a
// file of its own:
//
// | offset | size | field                                             |
// |--------|------|---------------------------------------------------|
// | 0      | n    | the store's block (items, code list, offsets)     |
// | n      | 4    | code counter: the code of the next new fact (LE)  |
//
// Invariants:
//  1. The code counter is above every stored code: a counter read from a
//     file that is not is raised, so a new fact never takes a used code.
//  2. Opening a file that cannot be read leaves the list empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "containers/LXArray.h"
#include "records/TGV9FaitHistorique.h"

namespace genvora {

class TGV9ListeHistoire : public LXArray {
 public:
  static constexpr std::size_t kCounterSize = 4;

  TGV9ListeHistoire();

  // Reads the list and its counter; false (an empty list) when the file
  // cannot be opened or is damaged.
  bool FichierOuvrir(const std::string& path);
  // Writes the list and its counter to a new file; false when it could not
  // be written. Clears the modified flag on success.
  bool FichierEnregistrerSous(const std::string& path);
  bool LitListe(FileHandle* file);
  bool EcritListe(FileHandle* file) const;

  int EcritData(std::uint32_t code, const void* data, unsigned size) override;
  int DeleteData(std::uint32_t code) override;
  int EcritData(TGV9FaitHistorique* fait);
  bool FetchData(CodeID code, TGV9FaitHistorique* fait) { return fait != nullptr && fait->LitDans(code, this); }
  using LXArray::FetchData;

  bool GetModifiee() const { return modifiee_; }
  // The code of the next new fact; the counter moves on.
  CodeID GetCodeId() { return codeCounter_++; }
  CodeID PeekCodeId() const { return codeCounter_; }

  // Codes of the facts of category `type` (0: any) whose search text holds,
  // for every word of `words`, a word beginning with it (accents and case
  // ignored), in the order of the code list. Empties `out` first.
  void Filtrer(TypeFaitT type, const AnsiString& words, std::vector<CodeID>& out);
  // Codes of the facts dated from `from` to `to`, both included.
  void GetListeCodesIdByDate(std::vector<CodeID>& out, int from, int to);
  void GetListeCodesID(std::vector<CodeID>& out) const;
  int GetCountPerso();
  bool NomExists(const AnsiString& name);

 private:
  std::uint32_t codeCounter_ = 1;
  bool modifiee_ = false;
};

}  // namespace genvora
