#include "tables/TGTableMedias.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include "records/TGLienRoot.h"
#include "records/TGMedia.h"
#include "records/TGMediaCadre.h"
#include "tables/RecordPeek.h"
#include "utilities/TextUtils.h"

namespace genvora {

namespace {

// Decodes stored bytes without touching the store: false for damage.
bool DecodeBytes(TGRoot& record, const void* data, unsigned size) {
  if (size > 0x7FFFFFFFu) return false;
  try {
    record.Decode(data, static_cast<int>(size));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// The stored bytes of a record, empty when absent.
std::vector<unsigned char> StoredBytes(LXArray& store, CodeID code) {
  const unsigned size = store.FetchData(code, nullptr, 0);
  std::vector<unsigned char> bytes(size);
  if (size != 0 && store.FetchData(code, bytes.data(), size) != size) bytes.clear();
  return bytes;
}

// Walks the store once and hands each record's bytes to `learn`.
template <typename Learn>
void LearnStore(LXArray& store, const char* what, Learn learn) {
  const std::vector<CodeID> codes = StoreOrderCodes(store);
  ProgressTicker ticker(what, static_cast<std::int64_t>(codes.size()));
  std::int64_t done = 0;
  for (CodeID code : codes) {
    ticker.Step(++done);
    const std::vector<unsigned char> bytes = StoredBytes(store, code);
    learn(code, bytes.data(), static_cast<unsigned>(bytes.size()));
  }
  ticker.Done();
}

bool Stored(const LXArray& store, CodeID code) { return StoreItemOf(store, code) != 0; }

}  // namespace

// ---------------------------------------------------------------- links

TGTableLiensMedias::TGTableLiensMedias() : LXArray("TG5LinkMedia", true) {
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;
  owners_.Reset();
  medias_.Reset();
}

void TGTableLiensMedias::Learn(CodeID code, const void* data, unsigned size) {
  TGLienMedia lien;
  if (DecodeBytes(lien, data, size)) {
    opaque_.erase(code);
    owners_.Set(code, lien.GetXREFCible());
    medias_.Set(code, lien.GetXREFMedia());
  } else {
    Forget(code);
    opaque_.insert(code);
  }
}

void TGTableLiensMedias::Forget(CodeID link) {
  owners_.Forget(link);
  medias_.Forget(link);
  opaque_.erase(link);
}

void TGTableLiensMedias::InvalidateOrders() {
  owners_.Invalidate();
  medias_.Invalidate();
  opaque_.clear();
}

void TGTableLiensMedias::EnsureOrders() {
  // A count that differs means records came or went behind the table.
  if (owners_.Valid() && owners_.Size() + opaque_.size() == GetCodeList()->GetCount()) return;
  owners_.Reset();
  medias_.Reset();
  opaque_.clear();
  LearnStore(*this, "TBMedia-IdxOwner", [this](CodeID code, const void* data, unsigned size) { Learn(code, data, size); });
}

int TGTableLiensMedias::EcritData(TGLienMedia* lien) {
  if (lien == nullptr || lien->GetCodeID() == 0) return 0;
  return lien->EcritDans(lien->GetCodeID(), this);
}

int TGTableLiensMedias::EcritData(std::uint32_t code, const void* data, unsigned size) {
  const int position = LXArray::EcritData(code, data, size);
  if (position != 0 && owners_.Valid()) Learn(code, data, size);
  return position;
}

bool TGTableLiensMedias::FetchData(CodeID code, TGLienMedia* lien) {
  return lien != nullptr && lien->LitDans(code, this);
}

int TGTableLiensMedias::DeleteData(std::uint32_t code) {
  Forget(code);
  return LXArray::DeleteData(code);
}

bool TGTableLiensMedias::LitDans(FileHandle* file) {
  const bool ok = LXArray::LitDans(file);
  InvalidateOrders();
  return ok;
}

void TGTableLiensMedias::Flush() {
  LXArray::Flush();
  owners_.Reset();
  medias_.Reset();
  opaque_.clear();
}

std::vector<CodeID> TGTableLiensMedias::LiensDe(CodeID owner) {
  EnsureOrders();
  std::vector<CodeID> links = owners_.Records(owner);
  SortByStoreOrder(*this, links);
  return links;
}

std::vector<CodeID> TGTableLiensMedias::LiensDuMedia(CodeID media) {
  EnsureOrders();
  std::vector<CodeID> links = medias_.Records(media);
  SortByStoreOrder(*this, links);
  return links;
}

bool TGTableLiensMedias::MediaAffiche(CodeID media) {
  EnsureOrders();
  return medias_.Any(media);
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
  for (CodeID link : LiensDuMedia(media)) {
    lien.zeroMemory();
    if (lien.LitDans(link, this) && lien.GetXREFMedia() == media) {
      const CodeID owner = lien.GetXREFCible();
      out->AddItem(&owner, 4);
    }
  }
}

bool TGTableLiensMedias::IDhaveAMedia(CodeID code) { return !LiensDe(code).empty(); }

void TGTableLiensMedias::SupprimeLesLiensDe(CodeID code) {
  for (CodeID link : LiensDe(code)) DeleteData(link);
}

int TGTableLiensMedias::Importer(TGTableLiensMedias& source, ICodeAllocator* codes, CodeMap& map) {
  if (codes == nullptr || &source == this) return 0;
  int copied = 0;
  TGLienMedia lien;
  for (CodeID code : StoreOrderCodes(source)) {
    lien.zeroMemory();
    if (!LitSansEffacer(lien, code, source)) continue;
    const CodeID owner = MapCode(map, lien.GetXREFCible());
    const CodeID media = MapCode(map, lien.GetXREFMedia());
    if (owner == 0 || media == 0) continue;
    const CodeID fresh = codes->GetNextID();
    if (fresh == 0) break;
    lien.SetCodeID(fresh);
    lien.SetXREFCible(owner);
    lien.SetXREFMedia(media);
    lien.SetStampOnWrite(false);
    if (EcritData(&lien) == 0) continue;
    map[code] = fresh;
    ++copied;
  }
  return copied;
}

// ---------------------------------------------------------------- media

TGTableMedias::TGTableMedias() : LXArray("TGTableMedias", true) {
  itemSize_ = kEntrySize;
  liens_ = new TGTableLiensMedias();
  liens_->SetClassName("TBMedia-IdxOwner");
  AttachArray(kLiensSlot, liens_);
  paths_.Reset();
}

void TGTableMedias::Learn(CodeID code, const void* data, unsigned size) {
  TGMedia media;
  if (DecodeBytes(media, data, size)) {
    opaque_.erase(code);
    paths_.Set(code, AnsiUpperCase(media.GetOriginalFullPath()));
  } else {
    paths_.Forget(code);
    opaque_.insert(code);
  }
}

void TGTableMedias::InvalidateOrders() {
  paths_.Invalidate();
  opaque_.clear();
  liens_->InvalidateOrders();
}

void TGTableMedias::EnsurePaths() {
  if (paths_.Valid() && paths_.Size() + opaque_.size() == GetCodeList()->GetCount()) return;
  paths_.Reset();
  opaque_.clear();
  LearnStore(*this, "TGTableMedias", [this](CodeID code, const void* data, unsigned size) { Learn(code, data, size); });
}

int TGTableMedias::EcritData(TGMedia* media) {
  if (media == nullptr || media->GetCodeID() == 0) return 0;
  return media->EcritDans(media->GetCodeID(), this);
}

int TGTableMedias::EcritData(std::uint32_t code, const void* data, unsigned size) {
  const int position = LXArray::EcritData(code, data, size);
  if (position != 0 && paths_.Valid()) Learn(code, data, size);
  return position;
}

bool TGTableMedias::FetchData(CodeID code, TGMedia* media) {
  return media != nullptr && media->LitDans(code, this);
}

int TGTableMedias::DeleteData(std::uint32_t code) {
  for (CodeID link : liens_->LiensDuMedia(code)) liens_->DeleteData(link);
  paths_.Forget(code);
  opaque_.erase(code);
  return LXArray::DeleteData(code);
}

bool TGTableMedias::LitDans(FileHandle* file) {
  const bool ok = LXArray::LitDans(file);
  paths_.Invalidate();
  opaque_.clear();
  // The link store read itself inside this block.
  liens_->InvalidateOrders();
  return ok;
}

void TGTableMedias::Flush() {
  LXArray::Flush();
  paths_.Reset();
  opaque_.clear();
}

bool TGTableMedias::OkToDelete(CodeID code) { return !liens_->MediaAffiche(code); }

CodeID TGTableMedias::FirstWithPath(const AnsiString& path) {
  if (path.empty()) return 0;
  EnsurePaths();
  std::vector<CodeID> found = paths_.Records(AnsiUpperCase(path));
  if (found.empty()) return 0;
  SortByStoreOrder(*this, found);
  return found.front();
}

CodeID TGTableMedias::MetAJour(TGMedia& media, ICodeAllocator* codes) {
  const CodeID found = FirstWithPath(media.GetOriginalFullPath());
  if (found != 0) {
    media.SetCodeID(found);
    return found;
  }
  if (codes == nullptr) return 0;
  const CodeID code = codes->GetNextID();
  if (code == 0) return 0;
  media.SetCodeID(code);
  return EcritData(&media) != 0 ? code : 0;
}

CodeID TGTableMedias::AjouteMediaIfNotExists(const AnsiString& path, ICodeAllocator* codes) {
  if (path.empty()) return 0;
  TGMedia media;
  media.InitAll(0, path, false, nullptr);
  return MetAJour(media, codes);
}

int TGTableMedias::SupprimeLesMediasDe(CodeID owner) {
  std::vector<CodeID> shown;
  TGLienMedia lien;
  for (CodeID link : liens_->LiensDe(owner)) {
    lien.zeroMemory();
    if (LitSansEffacer(lien, link, *liens_) && std::find(shown.begin(), shown.end(), lien.GetXREFMedia()) == shown.end())
      shown.push_back(lien.GetXREFMedia());
    liens_->DeleteData(link);
  }
  int deleted = 0;
  for (CodeID media : shown) {
    if (media == 0 || liens_->MediaAffiche(media) || !Stored(*this, media)) continue;
    if (cadres_ != nullptr) cadres_->RemoveCadresWithMediaID(media);
    DeleteData(media);
    ++deleted;
  }
  return deleted;
}

bool TGTableMedias::RemplaceCodeID(CodeID oldCode, CodeID newCode) {
  if (oldCode == newCode || newCode == 0 || !Stored(*this, oldCode) || Stored(*this, newCode)) return false;
  // The record moves as bytes: one that does not decode still keeps its
  // content under its new code.
  std::vector<unsigned char> bytes = StoredBytes(*this, oldCode);
  if (bytes.size() < 4) return false;
  std::memcpy(bytes.data(), &newCode, 4);
  // The links and frames are found before the old record goes.
  const std::vector<CodeID> links = liens_->LiensDuMedia(oldCode);
  const std::vector<CodeID> frames = cadres_ != nullptr ? cadres_->CadresDuMedia(oldCode) : std::vector<CodeID>{};
  paths_.Forget(oldCode);
  opaque_.erase(oldCode);
  LXArray::DeleteData(oldCode);
  if (EcritData(newCode, bytes.data(), static_cast<unsigned>(bytes.size())) == 0) return false;
  TGLienMedia lien;
  for (CodeID link : links) {
    lien.zeroMemory();
    if (!LitSansEffacer(lien, link, *liens_)) continue;
    lien.SetXREFMedia(newCode);
    lien.SetStampOnWrite(false);
    liens_->EcritData(&lien);
  }
  TGMediaCadre cadre;
  for (CodeID frame : frames) {
    cadre.zeroMemory();
    if (!LitSansEffacer(cadre, frame, *cadres_)) continue;
    if (cadre.GetMediaOrigine() == oldCode) cadre.SetMediaOrigine(newCode);
    if (cadre.GetMediaDerive() == oldCode) cadre.SetMediaDerive(newCode);
    cadre.SetStampOnWrite(false);
    cadres_->EcritData(&cadre);
  }
  return true;
}

int TGTableMedias::Importer(TGTableMedias& source, ICodeAllocator* codes, CodeMap& map) {
  if (codes == nullptr || &source == this) return 0;
  int copied = 0;
  TGMedia media;
  for (CodeID code : StoreOrderCodes(source)) {
    media.zeroMemory();
    if (!LitSansEffacer(media, code, source)) continue;
    const CodeID fresh = codes->GetNextID();
    if (fresh == 0) break;
    media.SetCodeID(fresh);
    media.SetStampOnWrite(false);
    if (EcritData(&media) == 0) continue;
    map[code] = fresh;
    ++copied;
  }
  return copied;
}

// ---------------------------------------------------------------- frames

TGTableMediasCadres::TGTableMediasCadres() : LXArray("MediasCadres", true) {
  itemSize_ = kEntrySize;
  origines_.Reset();
  derives_.Reset();
  individus_.Reset();
}

void TGTableMediasCadres::Learn(CodeID code, const void* data, unsigned size) {
  TGMediaCadre cadre;
  if (DecodeBytes(cadre, data, size)) {
    opaque_.erase(code);
    origines_.Set(code, cadre.GetMediaOrigine());
    derives_.Set(code, cadre.GetMediaDerive());
    individus_.Set(code, cadre.GetIndividu());
  } else {
    Forget(code);
    opaque_.insert(code);
  }
}

void TGTableMediasCadres::Forget(CodeID code) {
  origines_.Forget(code);
  derives_.Forget(code);
  individus_.Forget(code);
  opaque_.erase(code);
}

void TGTableMediasCadres::InvalidateOrders() {
  origines_.Invalidate();
  derives_.Invalidate();
  individus_.Invalidate();
  opaque_.clear();
}

void TGTableMediasCadres::EnsureOrders() {
  if (origines_.Valid() && origines_.Size() + opaque_.size() == GetCodeList()->GetCount()) return;
  origines_.Reset();
  derives_.Reset();
  individus_.Reset();
  opaque_.clear();
  LearnStore(*this, "MediasCadres", [this](CodeID code, const void* data, unsigned size) { Learn(code, data, size); });
}

int TGTableMediasCadres::EcritData(TGMediaCadre* cadre) {
  if (cadre == nullptr || cadre->GetCodeID() == 0) return 0;
  return cadre->EcritDans(cadre->GetCodeID(), this);
}

int TGTableMediasCadres::EcritData(std::uint32_t code, const void* data, unsigned size) {
  const int position = LXArray::EcritData(code, data, size);
  if (position != 0 && origines_.Valid()) Learn(code, data, size);
  return position;
}

bool TGTableMediasCadres::FetchData(CodeID code, TGMediaCadre* cadre) {
  return cadre != nullptr && cadre->LitDans(code, this);
}

int TGTableMediasCadres::DeleteData(std::uint32_t code) {
  Forget(code);
  return LXArray::DeleteData(code);
}

bool TGTableMediasCadres::LitDans(FileHandle* file) {
  const bool ok = LXArray::LitDans(file);
  InvalidateOrders();
  return ok;
}

void TGTableMediasCadres::Flush() {
  LXArray::Flush();
  origines_.Reset();
  derives_.Reset();
  individus_.Reset();
  opaque_.clear();
}

void TGTableMediasCadres::GetListFromIDMediaOrigin(CodeID media, LArray* out) {
  if (out == nullptr) return;
  out->Flush();
  EnsureOrders();
  std::vector<CodeID> frames = origines_.Records(media);
  SortByStoreOrder(*this, frames);
  for (CodeID code : frames) out->AddItem(&code, 4);
}

std::vector<CodeID> TGTableMediasCadres::CadresDuMedia(CodeID media) {
  EnsureOrders();
  std::vector<CodeID> frames = origines_.Records(media);
  for (CodeID code : derives_.Records(media))
    if (std::find(frames.begin(), frames.end(), code) == frames.end()) frames.push_back(code);
  SortByStoreOrder(*this, frames);
  return frames;
}

void TGTableMediasCadres::RemoveCadresWithMediaID(CodeID media) {
  for (CodeID code : CadresDuMedia(media)) DeleteData(code);
}

void TGTableMediasCadres::RemoveCadresWithIndiID(CodeID individu) {
  EnsureOrders();
  std::vector<CodeID> frames = individus_.Records(individu);
  SortByStoreOrder(*this, frames);
  for (CodeID code : frames) DeleteData(code);
}

CodeID TGTableMediasCadres::GetParentID(CodeID derived) {
  const CodeID frame = GetCadreWithEnfantID(derived);
  TGMediaCadre cadre;
  return frame != 0 && cadre.LitDans(frame, this) ? cadre.GetMediaOrigine() : 0;
}

CodeID TGTableMediasCadres::GetCadreWithEnfantID(CodeID derived) {
  if (derived == 0) return 0;
  EnsureOrders();
  std::vector<CodeID> frames = derives_.Records(derived);
  SortByStoreOrder(*this, frames);
  return frames.empty() ? 0 : frames.front();
}

int TGTableMediasCadres::Importer(TGTableMediasCadres& source, ICodeAllocator* codes, CodeMap& map) {
  if (codes == nullptr || &source == this) return 0;
  int copied = 0;
  TGMediaCadre cadre;
  for (CodeID code : StoreOrderCodes(source)) {
    cadre.zeroMemory();
    if (!LitSansEffacer(cadre, code, source)) continue;
    const CodeID origine = MapCode(map, cadre.GetMediaOrigine());
    if (origine == 0) continue;
    const CodeID fresh = codes->GetNextID();
    if (fresh == 0) break;
    cadre.SetCodeID(fresh);
    cadre.SetMediaOrigine(origine);
    cadre.SetMediaDerive(MapCode(map, cadre.GetMediaDerive()));
    cadre.SetIndividu(MapCode(map, cadre.GetIndividu()));
    cadre.SetStampOnWrite(false);
    if (EcritData(&cadre) == 0) continue;
    map[code] = fresh;
    ++copied;
  }
  return copied;
}

}  // namespace genvora
