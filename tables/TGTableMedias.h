// The media tables: TGTableMedias "TGTableMedias" (TGMedia records), the
// media link store TGTableLiensMedias in its slot 1 (TGLienMedia records: a
// media illustrates an individual, event, union...) and the media frames
// table TGTableMediasCadres "MediasCadres" (TGMediaCadre records).
//
// The link store is created under the class name "TG5LinkMedia", so its
// code list is "TG5LinkMedia-IDList"; the media table then renames the store
// "TBMedia-IdxOwner", the name its own block and its offsets block
// ("TBMedia-IdxOwner-ItemSize") carry in the file.
//
// Invariants:
//  1. The link store knows the links of each owner without decoding the
//     store: an owner -> link codes map, learnt in one pass after a read and
//     kept in step by EcritData and DeleteData.
//  2. Answers listing links follow store order, as a walk of the store
//     would give them.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "containers/LArray.h"
#include "containers/LXArray.h"

namespace genvora {

class TGLienMedia;
class TGMedia;
class TGMediaCadre;

class TGTableLiensMedias : public LXArray {
 public:
  TGTableLiensMedias();

  int EcritData(TGLienMedia* lien);
  bool FetchData(CodeID code, TGLienMedia* lien);
  int DeleteData(std::uint32_t code) override;
  bool LitDans(FileHandle* file) override;
  void Flush() override;
  using LXArray::EcritData;
  using LXArray::FetchData;

  // Appends the media code of every link whose owner is `code`, in store
  // order; true when there was one.
  bool LesMediaDeCode(CodeID code, LArray* out);
  // Appends the owner code of every link of the media, in store order.
  void LesCodesLiesAuMedia(CodeID media, LArray* out);
  bool IDhaveAMedia(CodeID code);
  // Deletes every link whose owner is `code`.
  void SupprimeLesLiensDe(CodeID code);
  // Link codes of the owner, in store order.
  std::vector<CodeID> LiensDe(CodeID owner);

 private:
  void EnsureOwners();
  void Forget(CodeID link);
  std::unordered_map<CodeID, std::unordered_set<CodeID>> byOwner_;
  std::unordered_map<CodeID, CodeID> ownerOf_;
  bool ownersValid_ = true;
};

class TGTableMedias : public LXArray {
 public:
  static constexpr int kLiensSlot = 1;

  TGTableMedias();

  int EcritData(TGMedia* media);
  bool FetchData(CodeID code, TGMedia* media);
  // Removes the media and the links that show it.
  int DeleteData(std::uint32_t code) override;
  using LXArray::EcritData;
  using LXArray::FetchData;

  // True when no record shows the media.
  bool OkToDelete(CodeID code);

  TGTableLiensMedias* GetLiens() const { return liens_; }

 private:
  TGTableLiensMedias* liens_;  // owned through slot 1
};

class TGTableMediasCadres : public LXArray {
 public:
  TGTableMediasCadres();

  int EcritData(TGMediaCadre* cadre);
  bool FetchData(CodeID code, TGMediaCadre* cadre);
  using LXArray::EcritData;
  using LXArray::FetchData;

  // Frames cut from the media, in store order (empties `out`).
  void GetListFromIDMediaOrigin(CodeID media, LArray* out);
  // Deletes the frames cut from, or made into, the media.
  void RemoveCadresWithMediaID(CodeID media);
  void RemoveCadresWithIndiID(CodeID individu);
  // The media a derived media was cut from; 0 when none.
  CodeID GetParentID(CodeID derived);
  // The frame whose derived media is `derived`; 0 when none.
  CodeID GetCadreWithEnfantID(CodeID derived);

 private:
  template <typename Keep>
  std::vector<CodeID> Select(Keep keep);
};

}  // namespace genvora
