#include "utilities/FilePaths.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "utilities/TextUtils.h"

namespace genvora {

namespace fs = std::filesystem;

namespace {

char SeparatorOf(const AnsiString& path) { return path.find('/') != AnsiString::npos ? '/' : '\\'; }

// 0-based start of the last component.
std::size_t LastComponentStart(const AnsiString& path) {
  std::size_t sep = path.rfind(SeparatorOf(path));
  return sep == AnsiString::npos ? 0 : sep + 1;
}

// 0-based position of the extension's dot in the last component; npos when
// the last component has none.
std::size_t ExtensionDot(const AnsiString& path) {
  std::size_t dot = path.rfind('.');
  if (dot == AnsiString::npos || dot < LastComponentStart(path)) return AnsiString::npos;
  return dot;
}

bool Exists(const AnsiString& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

bool IsDirectory(const AnsiString& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

bool Rename(const AnsiString& from, const AnsiString& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  return !ec;
}

bool Remove(const AnsiString& path) {
  std::error_code ec;
  return fs::remove(path, ec) && !ec;
}

// Makes a file writable before it is deleted: a read-only leftover must not
// block the next replacement.
void MakeWritable(const AnsiString& path) {
  std::error_code ec;
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
}

// Renames `source` to `target`; a file already at `target` waits under
// `backup` and is deleted only once the rename succeeded, put back otherwise.
bool SwitchName(const AnsiString& source, const AnsiString& target, const AnsiString& backup) {
  bool backedUp = false;
  if (Exists(target)) {
    backedUp = Rename(target, backup);
    if (!backedUp && Exists(backup)) {
      // A stale backup of an earlier switch is in the way.
      MakeWritable(backup);
      Remove(backup);
    }
    if (!backedUp) backedUp = Rename(target, backup);
    if (!backedUp) return false;
  }
  if (!Rename(source, target)) {
    if (backedUp) Rename(backup, target);
    return false;
  }
  if (backedUp) Remove(backup);
  return true;
}

bool HasBundleExtension(const AnsiString& component) {
  return component.size() > 4 && AnsiUpperCase(component.substr(component.size() - 4)) == ".GMW";
}

AnsiString WithoutTrailingSeparators(const AnsiString& path) {
  char sep = SeparatorOf(path);
  std::size_t end = path.size();
  while (end > 1 && path[end - 1] == sep) --end;
  return path.substr(0, end);
}

}  // namespace

AnsiString KELGetFileFullName(const AnsiString& path) { return path.substr(LastComponentStart(path)); }

AnsiString KELGetFilePath(const AnsiString& path, bool stripTrailingSeparators) {
  AnsiString dir = path.substr(0, LastComponentStart(path));
  if (stripTrailingSeparators && !dir.empty()) dir = WithoutTrailingSeparators(dir);
  return dir;
}

AnsiString KELGetFileExt(const AnsiString& path) {
  std::size_t dot = ExtensionDot(path);
  return dot == AnsiString::npos ? AnsiString() : path.substr(dot);
}

AnsiString KELGetFileName(const AnsiString& path) {
  std::size_t start = LastComponentStart(path);
  std::size_t dot = ExtensionDot(path);
  return path.substr(start, dot == AnsiString::npos ? AnsiString::npos : dot - start);
}

AnsiString KELChangeFileExt(const AnsiString& path, const AnsiString& extension) {
  std::size_t dot = ExtensionDot(path);
  return (dot == AnsiString::npos ? path : path.substr(0, dot)) + extension;
}

bool KELFileExists(const AnsiString& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

bool KELRemoveDirectory(const AnsiString& path) {
  if (path.empty() || !IsDirectory(path)) return false;
  std::error_code ec;
  fs::remove_all(path, ec);
  return !ec;
}

AnsiString KELGetFileNameTild(const AnsiString& path) {
  if (KELGetFileExt(path).find('~') != AnsiString::npos) return path;
  return KELChangeFileExt(path, ".~genvora");
}

AnsiString KELGetFileNameNoTild(const AnsiString& path) {
  if (KELGetFileExt(path).find('~') == AnsiString::npos) return path;
  return KELChangeFileExt(path, ".genvora");
}

bool SafeRenameToTild(const AnsiString& path) {
  if (!KELFileExists(path)) return false;
  AnsiString target = KELGetFileNameTild(path);
  if (target == path) return true;
  return SwitchName(path, target, KELChangeFileExt(path, ".~bak"));
}

bool SafeRenameTildToGenvora(const AnsiString& path) {
  if (!KELFileExists(path)) return false;
  AnsiString target = KELGetFileNameNoTild(path);
  if (target == path) return true;
  return SwitchName(path, target, KELChangeFileExt(path, ".~bak"));
}

namespace {

// Copies `source` over `destination`, the previous destination waiting
// under `backupExt` until the copy is in place; `removeSource` makes it a move.
bool ReplaceKeepingPrevious(const AnsiString& source, const AnsiString& destination, const char* backupExt,
                            bool removeSource) {
  std::error_code ec;
  auto modified = fs::last_write_time(source, ec);
  bool haveTime = !ec;
  AnsiString backup = KELChangeFileExt(destination, backupExt);
  bool backedUp = false;
  if (Exists(destination)) {
    backedUp = Rename(destination, backup);
    if (!backedUp) {
      MakeWritable(backup);
      Remove(backup);
      backedUp = Rename(destination, backup);
      if (!backedUp) return false;
    }
  }
  ec.clear();
  fs::copy_file(source, destination, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    // The previous version goes back in place rather than staying aside.
    Remove(destination);
    if (backedUp) Rename(backup, destination);
    return false;
  }
  if (backedUp) {
    MakeWritable(backup);
    Remove(backup);
  }
  if (removeSource) Remove(source);
  if (haveTime) fs::last_write_time(destination, modified, ec);
  return true;
}

}  // namespace

bool SafeRenameFile(const AnsiString& source, const AnsiString& destination) {
  if (!KELFileExists(source)) return true;
  return ReplaceKeepingPrevious(source, destination, ".~~", true);
}

bool SafeCopyFile(const AnsiString& source, const AnsiString& destination) {
  if (!KELFileExists(source)) return false;
  return ReplaceKeepingPrevious(source, destination, ".bak", false);
}

AnsiString KELGetNewUniqueBundlePath(const AnsiString& path) {
  if (!IsDirectory(path)) return path;
  AnsiString base = KELChangeFileExt(path, "");
  for (unsigned number = 1;; ++number) {
    AnsiString candidate = base + "#" + std::to_string(number) + ".gmw";
    if (!IsDirectory(candidate)) return candidate;
  }
}

int IsMediaBundleName(const AnsiString& path) {
  std::size_t hash = path.find('#');
  if (hash == AnsiString::npos) return 0;
  std::size_t sep = path.find(SeparatorOf(path), hash + 1);
  if (sep == AnsiString::npos) return 0;
  int number = 0;
  const char* first = path.data() + hash + 1;
  const char* last = path.data() + sep;
  auto [end, ec] = std::from_chars(first, last, number);
  // Text that is not a number names no bundle.
  if (ec != std::errc() || end != last) return 0;
  return number;
}

AnsiString KELGetBundlePath(const AnsiString& path) {
  AnsiString trimmed = WithoutTrailingSeparators(path);
  if (HasBundleExtension(KELGetFileFullName(trimmed))) return trimmed;
  AnsiString parent = KELGetFilePath(trimmed, true);
  if (parent != trimmed && HasBundleExtension(KELGetFileFullName(parent))) return parent;
  return {};
}

AnsiString KELGetBundleName(const AnsiString& path) {
  AnsiString bundle = KELGetBundlePath(path);
  return bundle.empty() ? AnsiString() : KELGetFileFullName(bundle);
}

AnsiString KELGetGenvoraFileNameFromBundlePath(const AnsiString& bundle) {
  char sep = SeparatorOf(bundle);
  AnsiString dir = bundle;
  if (dir.empty() || dir.back() != sep) dir += sep;
  return dir + KELGetFileName(WithoutTrailingSeparators(bundle)) + ".genvora";
}

}  // namespace genvora
