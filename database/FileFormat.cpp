#include "database/FileFormat.h"

#include <cstring>

#include "database/KelChunkHeader.h"
#include "database/TGHeader.h"
#include "platform/File.h"
#include "utilities/FilePaths.h"
#include "utilities/SqliteDatabase.h"
#include "utilities/TextUtils.h"

namespace genvora {

namespace {

// The first bytes of every SQLite database file.
constexpr char kSqliteMagic[8] = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f'};
constexpr std::size_t kSqliteProbeSize = 16;

}  // namespace

unsigned GetGenvoraFileFormat(const AnsiString& path, std::int32_t* version) {
  if (version != nullptr) *version = 0;
  auto file = PlatformFile::Open(path, FileMode::Read);
  if (!file) return kFileFormatNone;

  KelChunkHeader chunk;
  if (chunk.Read(*file) && chunk.Is(kChunkIdGenvora)) {
    if (version != nullptr && file->Seek(0)) {
      TGHeader header;
      header.LitDans(*file, AnsiUpperCase(KELGetFileExt(path)));
      // A header refused for its version still tells it; one cut short
      // tells nothing.
      if (header.BlockARead()) *version = header.GetDatabaseVersion();
    }
    return kFileFormatChunked;
  }

  char probe[kSqliteProbeSize];
  bool probed = file->Seek(0) && file->Remaining() >= static_cast<std::int64_t>(kSqliteProbeSize) &&
                file->Read(probe, kSqliteProbeSize);
  file.reset();
  if (!probed || std::memcmp(probe, kSqliteMagic, sizeof kSqliteMagic) != 0) return kFileFormatNone;
  if (version == nullptr) return kFileFormatSqlite;

  // The path goes to SQLite as the same bytes the file was just opened with.
  TSqliteDatabase db;
  if (!db.OpenReadOnly(path)) return kFileFormatNone;
  TSqliteStatement stmt = db.Prepare("SELECT * FROM Preferences;");
  if (!stmt.Valid()) return kFileFormatNone;
  int column = stmt.ColumnIndex("DatabaseVersion");
  if (column < 0) return kFileFormatNone;
  auto step = stmt.Step();
  if (step == TSqliteStatement::StepResult::Error) return kFileFormatNone;
  if (step == TSqliteStatement::StepResult::Row) *version = static_cast<std::int32_t>(stmt.ColumnInt(column));
  return kFileFormatSqlite;
}

bool SafeRenameGenvoraToTild(const AnsiString& path) {
  return GetGenvoraFileFormat(path) == kFileFormatChunked && SafeRenameToTild(path);
}

}  // namespace genvora
