#include "tables/TGTableMedias.h"

#include <algorithm>

#include "records/TGLienRoot.h"
#include "records/TGMedia.h"
#include "records/TGMediaCadre.h"
#include "tables/IndexSupport.h"

namespace genvora {

namespace {

std::vector<CodeID> StoreOrder(const LXArray& store) {
  const LArray* codeList = store.GetCodeList();
  std::vector<std::pair<std::uint32_t, CodeID>> byItem;
  byItem.reserve(codeList->GetCount());
  for (int i = 1; i <= static_cast<int>(codeList->GetCount()); ++i)
    byItem.emplace_back(ItemWord(codeList->GetItemPtr(i), 1), ItemWord(codeList->GetItemPtr(i), 0));
  std::sort(byItem.begin(), byItem.end());
  std::vector<CodeID> codes;
  codes.reserve(byItem.size());
  for (const auto& entry : byItem) codes.push_back(entry.second);
  return codes;
}

// The item index a code is stored at, for store order; 0 when absent.
std::uint32_t ItemOf(const LXArray& store, CodeID code) {
  std::uint32_t pair[2] = {code, 0};
  const LArray* codeList = store.GetCodeList();
  const int position = codeList->FetchIndexOf(pair, LXArray::kPairSize);
  return position == 0 ? 0 : ItemWord(codeList->GetItemPtr(position), 1);
}

void SortByStore(const LXArray& store, std::vector<CodeID>& codes) {
  std::vector<std::pair<std::uint32_t, CodeID>> keyed;
  keyed.reserve(codes.size());
  for (CodeID code : codes) keyed.emplace_back(ItemOf(store, code), code);
  std::sort(keyed.begin(), keyed.end());
  for (std::size_t i = 0; i < keyed.size(); ++i) codes[i] = keyed[i].second;
}

}  // namespace

TGTableLiensMedias::TGTableLiensMedias() : LXArray("TG5LinkMedia", true) {
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;
}

void TGTableLiensMedias::EnsureOwners() {
  if (ownersValid_) return;
  byOwner_.clear();
  ownerOf_.clear();
  const std::vector<CodeID> codes = StoreOrder(*this);
  ProgressTicker ticker("TBMedia-IdxOwner", static_cast<std::int64_t>(codes.size()));
  std::int64_t done = 0;
  TGLienMedia lien;
  // Learnt first, then adopted: a damaged record read here is removed from
  // the store, which calls back into DeleteData.
  std::vector<std::pair<CodeID, CodeID>> learnt;
  for (CodeID code : codes) {
    ticker.Step(++done);
    lien.zeroMemory();
    if (lien.LitDans(code, this)) learnt.emplace_back(code, lien.GetXREFCible());
  }
  for (const auto& [code, owner] : learnt) {
    byOwner_[owner].insert(code);
    ownerOf_[code] = owner;
  }
  ownersValid_ = true;
  ticker.Done();
}

void TGTableLiensMedias::Forget(CodeID link) {
  auto found = ownerOf_.find(link);
  if (found == ownerOf_.end()) return;
  auto set = byOwner_.find(found->second);
  if (set != byOwner_.end()) {
    set->second.erase(link);
    if (set->second.empty()) byOwner_.erase(set);
  }
  ownerOf_.erase(found);
}

int TGTableLiensMedias::EcritData(TGLienMedia* lien) {
  if (lien == nullptr || lien->GetCodeID() == 0) return 0;
  EnsureOwners();
  const CodeID code = lien->GetCodeID();
  const int position = lien->EcritDans(code, this);
  if (position == 0) return 0;
  Forget(code);
  byOwner_[lien->GetXREFCible()].insert(code);
  ownerOf_[code] = lien->GetXREFCible();
  return position;
}

bool TGTableLiensMedias::FetchData(CodeID code, TGLienMedia* lien) {
  return lien != nullptr && lien->LitDans(code, this);
}

int TGTableLiensMedias::DeleteData(std::uint32_t code) {
  if (ownersValid_) Forget(code);
  return LXArray::DeleteData(code);
}

bool TGTableLiensMedias::LitDans(FileHandle* file) {
  const bool ok = LXArray::LitDans(file);
  byOwner_.clear();
  ownerOf_.clear();
  ownersValid_ = false;
  return ok;
}

void TGTableLiensMedias::Flush() {
  LXArray::Flush();
  byOwner_.clear();
  ownerOf_.clear();
  ownersValid_ = true;
}

std::vector<CodeID> TGTableLiensMedias::LiensDe(CodeID owner) {
  EnsureOwners();
  std::vector<CodeID> links;
  auto found = byOwner_.find(owner);
  if (found != byOwner_.end()) links.assign(found->second.begin(), found->second.end());
  SortByStore(*this, links);
  return links;
}

bool TGTableLiensMedias::LesMediaDeCode(CodeID code, LArray* out) {
  bool any = false;
  TGLienMedia lien;
  for (CodeID link : LiensDe(code)) {
    lien.zeroMemory();
    if (!lien.LitDans(link, this)) continue;
    any = true;
    if (out != nullptr) {
      const CodeID media = lien.GetXREFMedia();
      out->AddItem(&media, 4);
    }
  }
  return any;
}

void TGTableLiensMedias::LesCodesLiesAuMedia(CodeID media, LArray* out) {
  if (out == nullptr) return;
  TGLienMedia lien;
  for (CodeID code : StoreOrder(*this)) {
    lien.zeroMemory();
    if (lien.LitDans(code, this) && lien.GetXREFMedia() == media) {
      const CodeID owner = lien.GetXREFCible();
      out->AddItem(&owner, 4);
    }
  }
}

bool TGTableLiensMedias::IDhaveAMedia(CodeID code) { return !LiensDe(code).empty(); }

void TGTableLiensMedias::SupprimeLesLiensDe(CodeID code) {
  for (CodeID link : LiensDe(code)) DeleteData(link);
}

TGTableMedias::TGTableMedias() : LXArray("TGTableMedias", true) {
  itemSize_ = kEntrySize;
  liens_ = new TGTableLiensMedias();
  liens_->SetClassName("TBMedia-IdxOwner");
  AttachArray(kLiensSlot, liens_);
}

int TGTableMedias::EcritData(TGMedia* media) {
  if (media == nullptr || media->GetCodeID() == 0) return 0;
  return media->EcritDans(media->GetCodeID(), this);
}

bool TGTableMedias::FetchData(CodeID code, TGMedia* media) {
  return media != nullptr && media->LitDans(code, this);
}

int TGTableMedias::DeleteData(std::uint32_t code) {
  TGLienMedia lien;
  std::vector<CodeID> shown;
  for (CodeID link : StoreOrder(*liens_)) {
    lien.zeroMemory();
    if (lien.LitDans(link, liens_) && lien.GetXREFMedia() == code) shown.push_back(link);
  }
  for (CodeID link : shown) liens_->DeleteData(link);
  return LXArray::DeleteData(code);
}

bool TGTableMedias::OkToDelete(CodeID code) {
  LArray owners(4, nullptr, false);
  liens_->LesCodesLiesAuMedia(code, &owners);
  return owners.GetCount() == 0;
}

TGTableMediasCadres::TGTableMediasCadres() : LXArray("MediasCadres", true) { itemSize_ = kEntrySize; }

int TGTableMediasCadres::EcritData(TGMediaCadre* cadre) {
  if (cadre == nullptr || cadre->GetCodeID() == 0) return 0;
  return cadre->EcritDans(cadre->GetCodeID(), this);
}

bool TGTableMediasCadres::FetchData(CodeID code, TGMediaCadre* cadre) {
  return cadre != nullptr && cadre->LitDans(code, this);
}

template <typename Keep>
std::vector<CodeID> TGTableMediasCadres::Select(Keep keep) {
  std::vector<CodeID> kept;
  TGMediaCadre cadre;
  for (CodeID code : StoreOrder(*this)) {
    cadre.zeroMemory();
    if (cadre.LitDans(code, this) && keep(cadre)) kept.push_back(code);
  }
  return kept;
}

void TGTableMediasCadres::GetListFromIDMediaOrigin(CodeID media, LArray* out) {
  if (out == nullptr) return;
  out->Flush();
  for (CodeID code : Select([media](const TGMediaCadre& c) { return c.GetMediaOrigine() == media; }))
    out->AddItem(&code, 4);
}

void TGTableMediasCadres::RemoveCadresWithMediaID(CodeID media) {
  for (CodeID code :
       Select([media](const TGMediaCadre& c) { return c.GetMediaOrigine() == media || c.GetMediaDerive() == media; }))
    DeleteData(code);
}

void TGTableMediasCadres::RemoveCadresWithIndiID(CodeID individu) {
  for (CodeID code : Select([individu](const TGMediaCadre& c) { return c.GetIndividu() == individu; })) DeleteData(code);
}

CodeID TGTableMediasCadres::GetParentID(CodeID derived) {
  const CodeID frame = GetCadreWithEnfantID(derived);
  TGMediaCadre cadre;
  return frame != 0 && cadre.LitDans(frame, this) ? cadre.GetMediaOrigine() : 0;
}

CodeID TGTableMediasCadres::GetCadreWithEnfantID(CodeID derived) {
  if (derived == 0) return 0;
  const auto found = Select([derived](const TGMediaCadre& c) { return c.GetMediaDerive() == derived; });
  return found.empty() ? 0 : found.front();
}

}  // namespace genvora
