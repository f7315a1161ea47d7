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
//  1. Each table keeps in memory, never in the file, the orders its
//     questions need: links by owner and by media, frames by origin media,
//     derived media and individual, media by original path. They are learnt
//     in one pass after a read and kept in step by every write (typed or
//     raw: the raw EcritData is where every record lands) and deletion; a
//     store whose count no longer matches is relearnt.
//  2. Answers listing links, frames or media follow store order, as a walk
//     of the store would give them.
//  3. A media is never deleted while a link still shows it, except by
//     DeleteData, which removes those links first.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "containers/LArray.h"
#include "containers/LXArray.h"
#include "tables/CodeMap.h"
#include "tables/IndexSupport.h"
#include "tables/SecondaryOrder.h"

namespace genvora {

class TGLienMedia;
class TGMedia;
class TGMediaCadre;

class TGTableLiensMedias : public LXArray {
 public:
  TGTableLiensMedias();

  int EcritData(TGLienMedia* lien);
  bool FetchData(CodeID code, TGLienMedia* lien);
  // Every record lands here: the owner and media orders follow it.
  int EcritData(std::uint32_t code, const void* data, unsigned size) override;
  int DeleteData(std::uint32_t code) override;
  bool LitDans(FileHandle* file) override;
  void Flush() override;
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
  // Link codes that show the media, in store order.
  std::vector<CodeID> LiensDuMedia(CodeID media);
  bool MediaAffiche(CodeID media);

  // Copies each link of `source` whose owner and media both appear in
  // `map` (the caller imported them first), in store order, with a new
  // code from `codes` and both ends translated; links with an end the map
  // does not know are left behind. Each copied link's code goes into `map`.
  // Answers the count copied.
  int Importer(TGTableLiensMedias& source, ICodeAllocator* codes, CodeMap& map);

  // The orders are rebuilt before the next answer (codes renumbered behind
  // the table's back).
  void InvalidateOrders();

 private:
  void EnsureOrders();
  void Learn(CodeID code, const void* data, unsigned size);
  void Forget(CodeID link);
  ReverseIndex<CodeID> owners_;
  ReverseIndex<CodeID> medias_;
  std::unordered_set<CodeID> opaque_;  // stored but undecodable
};

class TGTableMediasCadres;

class TGTableMedias : public LXArray {
 public:
  static constexpr int kLiensSlot = 1;

  TGTableMedias();

  // The frames table the media operations keep in step (not owned).
  void SetCadres(TGTableMediasCadres* cadres) { cadres_ = cadres; }
  TGTableMediasCadres* GetCadres() const { return cadres_; }

  int EcritData(TGMedia* media);
  bool FetchData(CodeID code, TGMedia* media);
  int EcritData(std::uint32_t code, const void* data, unsigned size) override;
  // Removes the media and the links that show it.
  int DeleteData(std::uint32_t code) override;
  bool LitDans(FileHandle* file) override;
  void Flush() override;
  using LXArray::FetchData;

  // True when no record shows the media.
  bool OkToDelete(CodeID code);
  // The deletion check of the table itself: the media is stored and no
  // record shows it (an unknown code has nothing to delete).
  bool InternalCanDelete(CodeID code) { return code != 0 && StoreItemOf(*this, code) != 0 && OkToDelete(code); }

  // Insert or find by original path (compared upper-cased: the paths stored
  // in files name a file system that ignores case): the media stored first
  // with the same path gives its code to the record and nothing is written;
  // otherwise the record gets a new code and is written. A media without
  // path is always new. Answers the code, 0 when none could be had.
  CodeID MetAJour(TGMedia& media, ICodeAllocator* codes);
  // The media of `path`, created (code from `codes`, no thumbnail) when no
  // stored media has that path. 0 for an empty path.
  CodeID AjouteMediaIfNotExists(const AnsiString& path, ICodeAllocator* codes);
  // Deletes the owner's media links; each media they showed that no link
  // shows any longer is deleted with the frames cut from it or made into
  // it. Answers the count of media deleted.
  int SupprimeLesMediasDe(CodeID owner);
  // The media `oldCode` becomes `newCode`: its record (bytes kept, code
  // rewritten, even when they do not decode), the links that show it and
  // the frames cut from it or made into it. False when `oldCode` is not
  // stored, `newCode` is 0 or already a media.
  bool RemplaceCodeID(CodeID oldCode, CodeID newCode);
  // Copies every media of `source`, in store order, under a new code from
  // `codes`, days kept; fills `map` old -> new. Links and frames follow
  // through their own Importer. Media files stay in the source's folder.
  // Answers the count copied.
  int Importer(TGTableMedias& source, ICodeAllocator* codes, CodeMap& map);

  void InvalidateOrders();
  TGTableLiensMedias* GetLiens() const { return liens_; }

 private:
  void EnsurePaths();
  void Learn(CodeID code, const void* data, unsigned size);
  CodeID FirstWithPath(const AnsiString& path);

  TGTableLiensMedias* liens_;  // owned through slot 1
  TGTableMediasCadres* cadres_ = nullptr;
  ReverseIndex<AnsiString> paths_;
  std::unordered_set<CodeID> opaque_;
};

class TGTableMediasCadres : public LXArray {
 public:
  TGTableMediasCadres();

  int EcritData(TGMediaCadre* cadre);
  bool FetchData(CodeID code, TGMediaCadre* cadre);
  int EcritData(std::uint32_t code, const void* data, unsigned size) override;
  int DeleteData(std::uint32_t code) override;
  bool LitDans(FileHandle* file) override;
  void Flush() override;
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
  // Frames cut from or made into the media, in store order.
  std::vector<CodeID> CadresDuMedia(CodeID media);

  // Copies each frame whose origin media appears in `map`, in store order,
  // under a new code; the derived media and the individual are translated
  // (0 when the map does not know them). Answers the count copied.
  int Importer(TGTableMediasCadres& source, ICodeAllocator* codes, CodeMap& map);

  void InvalidateOrders();

 private:
  void EnsureOrders();
  void Learn(CodeID code, const void* data, unsigned size);
  void Forget(CodeID code);
  ReverseIndex<CodeID> origines_;
  ReverseIndex<CodeID> derives_;
  ReverseIndex<CodeID> individus_;
  std::unordered_set<CodeID> opaque_;
};

}  // namespace genvora
