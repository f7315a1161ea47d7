// LArraySynchro: synchronisation stamps and their file.
#include "containers/LArraySynchro.h"

#include <cstring>
#include <filesystem>

#include "platform/File.h"
#include "platform/Host.h"
#include "platform/Resources.h"
#include "platform/System.h"

namespace genvora {

namespace {
std::string SynchroPath(const AnsiString& folder) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  return path + LArraySynchro::kFileName;
}
}  // namespace

LArraySynchro::LArraySynchro() : LArray(kStampSize, new LLongComparator, true) {}

// A stamp names the machine it was made on: the identifier is stable on one
// machine and differs between machines. Here it is the machine serial
// derived from the operating system's machine identifier.
std::uint32_t LArraySynchro::GetSystemID() { return GetMachineSerial(); }

LArraySynchro::Stamp LArraySynchro::StampAt(int index) const {
  Stamp stamp{};
  std::memcpy(&stamp, GetItemPtr(index), sizeof stamp);
  return stamp;
}

int LArraySynchro::FindOwnStamp(std::uint32_t key) const {
  const Stamp probe{key, 0, 0, 0};
  int index = FirstIndexOf(&probe);
  if (index == 0) return 0;
  const std::uint32_t self = GetSystemID();
  for (; index <= static_cast<int>(count_); ++index) {
    Stamp stamp = StampAt(index);
    if (stamp.key != key) break;
    if (stamp.systemId == self) return index;
  }
  return 0;
}

void LArraySynchro::AddSynchroInfo(std::uint32_t key, std::uint32_t recordNumber) {
  const Stamp stamp{key, GetSystemID(), recordNumber, TodaySerial()};
  if (int own = FindOwnStamp(key); own != 0) RemoveItemsAt(1, own);
  AddItem(&stamp, sizeof stamp);
}

std::uint32_t LArraySynchro::GetNumeroEnregistrement(std::uint32_t key) const {
  int own = FindOwnStamp(key);
  return own != 0 ? StampAt(own).recordNumber : 0;
}

std::uint32_t LArraySynchro::GetDateSynchro(std::uint32_t key) const {
  int own = FindOwnStamp(key);
  return own != 0 ? StampAt(own).day : 0;
}

bool LArraySynchro::LoadFromFile(const AnsiString& folder) {
  std::string path = SynchroPath(folder);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  auto file = PlatformFile::Open(path, FileMode::Read);
  if (!file) return false;
  return LitDans(file.get());
}

bool LArraySynchro::WriteToFile(const AnsiString& folder) const {
  auto file = PlatformFile::Open(SynchroPath(folder), FileMode::Create);
  if (!file) {
    ShowMessage(LoadResString("LArray.SynchroWriteError"), LoadResString("LArray.SynchroCaption"), MsgButtons::Ok,
                MsgKind::Error);
    return false;
  }
  bool ok = EcritDans(file.get());
  return file->Close() && ok;
}

}  // namespace genvora
