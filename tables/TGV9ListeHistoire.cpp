#include "tables/TGV9ListeHistoire.h"

#include <algorithm>

#include "platform/ByteCursor.h"
#include "platform/File.h"
#include "tables/IndexSupport.h"
#include "utilities/TextUtils.h"

namespace genvora {

TGV9ListeHistoire::TGV9ListeHistoire() : LXArray("TGV9ListeHistoire", true) {
  // The item size field a store carries once read from a file: a list
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;
}

int TGV9ListeHistoire::EcritData(std::uint32_t code, const void* data, unsigned size) {
  modifiee_ = true;
  return LXArray::EcritData(code, data, size);
}

int TGV9ListeHistoire::DeleteData(std::uint32_t code) {
  modifiee_ = true;
  return LXArray::DeleteData(code);
}

int TGV9ListeHistoire::EcritData(TGV9FaitHistorique* fait) {
  if (fait == nullptr || fait->GetCodeID() == 0) return 0;
  const int position = fait->EcritDans(fait->GetCodeID(), this);
  if (position != 0 && fait->GetCodeID() >= codeCounter_) codeCounter_ = fait->GetCodeID() + 1;
  return position;
}

bool TGV9ListeHistoire::LitListe(FileHandle* file) {
  if (file == nullptr || !LXArray::LitDans(file)) {
    Flush();
    codeCounter_ = 1;
    return false;
  }
  unsigned char bytes[kCounterSize];
  std::uint32_t counter = 0;
  ByteReader reader(bytes, sizeof bytes);
  if (!file->Read(bytes, sizeof bytes) || !reader.U32(counter)) {
    Flush();
    codeCounter_ = 1;
    return false;
  }
  // Invariant 1: a counter at or below a stored code would hand it out again.
  const LArray* codeList = GetCodeList();
  std::uint32_t highest = 0;
  for (int i = 1; i <= static_cast<int>(codeList->GetCount()); ++i)
    highest = std::max(highest, ItemWord(codeList->GetItemPtr(i), 0));
  codeCounter_ = std::max(counter, highest + 1);
  modifiee_ = false;
  return true;
}

bool TGV9ListeHistoire::EcritListe(FileHandle* file) const {
  if (file == nullptr || !LXArray::EcritDans(file)) return false;
  std::string bytes;
  ByteWriter writer(bytes);
  writer.U32(codeCounter_);
  return file->Write(bytes.data(), bytes.size());
}

bool TGV9ListeHistoire::FichierOuvrir(const std::string& path) {
  auto file = PlatformFile::Open(path, FileMode::Read);
  if (!file) {
    Flush();
    codeCounter_ = 1;
    return false;
  }
  return LitListe(file.get());
}

bool TGV9ListeHistoire::FichierEnregistrerSous(const std::string& path) {
  auto file = PlatformFile::Open(path, FileMode::Create);
  if (!file || !EcritListe(file.get()) || !file->Flush()) return false;
  modifiee_ = false;
  return true;
}

namespace {

std::vector<CodeID> CodeListOrder(const LXArray& store) {
  std::vector<CodeID> codes;
  const LArray* codeList = store.GetCodeList();
  codes.reserve(codeList->GetCount());
  for (int i = 1; i <= static_cast<int>(codeList->GetCount()); ++i) codes.push_back(ItemWord(codeList->GetItemPtr(i), 0));
  return codes;
}

}  // namespace

void TGV9ListeHistoire::Filtrer(TypeFaitT type, const AnsiString& words, std::vector<CodeID>& out) {
  out.clear();
  const AnsiString search = EnleveAccentsEtUpperCase(words);
  std::vector<AnsiString> searchWords;
  DecoupeMot(search, searchWords);
  TGV9FaitHistorique fait;
  for (CodeID code : CodeListOrder(*this)) {
    fait.zeroMemory();
    if (!fait.LitDans(code, this)) continue;
    if (type != 0 && fait.GetTypeFait() != type) continue;
    if (searchWords.empty() ||
        UnDesMotsCommencePar(EnleveAccentsEtUpperCase(fait.GetAttributsPourRecherche()), searchWords))
      out.push_back(code);
  }
}

void TGV9ListeHistoire::GetListeCodesIdByDate(std::vector<CodeID>& out, int from, int to) {
  out.clear();
  TGV9FaitHistorique fait;
  for (CodeID code : CodeListOrder(*this)) {
    fait.zeroMemory();
    if (!fait.LitDans(code, this)) continue;
    const int year = fait.GetAnnee();
    if (year >= from && year <= to) out.push_back(code);
  }
}

void TGV9ListeHistoire::GetListeCodesID(std::vector<CodeID>& out) const { out = CodeListOrder(*this); }

int TGV9ListeHistoire::GetCountPerso() {
  int count = 0;
  TGV9FaitHistorique fait;
  for (CodeID code : CodeListOrder(*this)) {
    fait.zeroMemory();
    if (fait.LitDans(code, this) && fait.GetPerso()) ++count;
  }
  return count;
}

bool TGV9ListeHistoire::NomExists(const AnsiString& name) {
  TGV9FaitHistorique fait;
  for (CodeID code : CodeListOrder(*this)) {
    fait.zeroMemory();
    if (fait.LitDans(code, this) && fait.GetNom() == name) return true;
  }
  return false;
}

}  // namespace genvora
