#include "records/TGMedia.h"

#include <filesystem>
#include <fstream>

#include "containers/LXArray.h"
#include "platform/Exception.h"
#include "platform/Preferences.h"
#include "records/RecordLayout.h"
#include "records/TGMediaCadre.h"
#include "utilities/FilePaths.h"

namespace genvora {

namespace {

AnsiString Lower(AnsiString text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

TGMedia::TGMedia(AnsiString databaseFolder)
    : date_(std::make_unique<TGDate>(&f_.date)), databaseFolder_(std::move(databaseFolder)) {
  EndInit();
}

TGMedia::TGMedia(const TGMedia& other)
    : TGRoot(other), f_(other.f_), date_(std::make_unique<TGDate>(&f_.date)), databaseFolder_(other.databaseFolder_) {}

TGMedia& TGMedia::operator=(const TGMedia& other) {
  if (this != &other) {
    TGRoot::operator=(other);
    f_ = other.f_;
    databaseFolder_ = other.databaseFolder_;
  }
  return *this;
}

TGMedia::~TGMedia() = default;

void TGMedia::EndInit() { zeroMemory(); }
void TGMedia::zeroMemory() { f_ = Fields{}; }

template <class W, class F>
void TGMedia::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.Text(f.originalPath);
  w.Text(f.secondText);
  w.U8(f.privacy);
  w.Text(f.note);
  auto thumbnailSize = static_cast<std::int32_t>(f.thumbnail.size());
  w.I32(thumbnailSize);
  w.I32(f.oldDate);
  w.Bool(f.root.griot);
  w.Bool(f.root.exportable);
  w.Blob(f.thumbnail, thumbnailSize, "negative thumbnail size");
  if (!w.Group()) return;  // group 2
  w.Date(f.date);
}

std::uint32_t TGMedia::GetDataSize() const { return LayoutSize(f_); }
void TGMedia::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TGMedia::ReadFields(ByteReader& r) {
  Fields f;
  const int groups = LayoutRead(r, f);
  if (!EndOfRecord(r)) return;
  // Older versions kept only a year.
  if (groups < 2 && f.oldDate > 0) {
    TGDate year(&f.date);
    year.SetText(std::to_string(f.oldDate));
  }
  f_ = std::move(f);
}

bool TGMedia::LitDans(CodeID code, LXArray* store, const AnsiString& databaseFolder) {
  databaseFolder_ = databaseFolder;
  return TGRoot::LitDans(code, store);
}

void TGMedia::InitAll(CodeID code, const AnsiString& path, bool, const TJPEGImage* thumbnail) {
  f_.root.codeID = code;
  f_.originalPath = path;
  f_.privacy = 0;
  if (thumbnail != nullptr) SaveVignette(thumbnail);
}

AnsiString TGMedia::GetOriginalFileName() const { return KELGetFileFullName(f_.originalPath); }

bool TGMedia::GetFileExist() const { return KELFileExists(GetFullPath()); }

AnsiString TGMedia::GetDateText() {
  const TPreferenceGenvora5* prefs = SharedPrefs();
  const bool monthFirst = prefs != nullptr && prefs->FormatDateFRUS == "1";
  date_->SetFormat(monthFirst ? "%C%E %K%E %MMMM%E %J%E, %A" : "%C%E %K%E %J%E %MMMM%E %A");
  return date_->GetText();
}

AnsiString TGMedia::GetMediaBundleName(const AnsiString& path) {
  AnsiString name = KELGetFileFullName(path);
  static constexpr std::string_view kForbidden = "/\\:*?\"<>|`\x91\x92&";
  for (char& c : name) {
    if (kForbidden.find(c) != std::string_view::npos) c = '_';
  }
  const AnsiString ext = KELGetFileExt(name);
  // Pictures are kept as JPEG in the bundle.
  if (IsPictureExtension(ext) && Lower(ext) != ".jpg") name = KELChangeFileExt(name, ".jpg");
  return name;
}

AnsiString TGMedia::Separator() const { return databaseFolder_.find('/') != AnsiString::npos ? "/" : "\\"; }

AnsiString TGMedia::GetMediaFolder() const {
  if (f_.root.codeID == 0 || databaseFolder_.empty()) return {};
  const AnsiString sep = Separator();
  AnsiString folder = databaseFolder_;
  if (folder.back() != sep[0]) folder += sep;
  return folder + "Media" + sep + "#" + std::to_string(f_.root.codeID);
}

AnsiString TGMedia::GetFullPath() const {
  const AnsiString folder = GetMediaFolder();
  if (folder.empty()) return {};
  return folder + Separator() + GetMediaBundleName(f_.originalPath);
}

AnsiString TGMedia::GetBackupMediaPath() const {
  const AnsiString folder = GetMediaFolder();
  if (folder.empty()) return {};
  return folder + Separator() + KELGetFileName(GetMediaBundleName(f_.originalPath)) + ".bmk";
}

void TGMedia::BackupMedia() const {
  const AnsiString backup = GetBackupMediaPath();
  const AnsiString current = GetFullPath();
  if (backup.empty() || KELFileExists(backup) || !KELFileExists(current)) return;
  if (!CopyFileWithTime(current, backup)) throw EGenvoraError("G5vclstrings.ExceptionFichier", backup);
}

bool TGMedia::CopyMediaToBundle() const {
  if (databaseFolder_.empty()) return true;
  if (!KELFileExists(f_.originalPath) || f_.root.codeID == 0) return true;
  std::error_code ec;
  std::filesystem::create_directories(GetMediaFolder(), ec);
  if (ec) throw EGenvoraError("G5vclstrings.ExceptionFichier", GetMediaFolder());
  const AnsiString target = GetFullPath();
  const AnsiString ext = Lower(KELGetFileExt(f_.originalPath));
  if (IsFilenameIsAnImage() && ext != ".jpg") {
    const std::string jpeg = EncodeJpeg(LoadPicture(f_.originalPath), kBundleJpegQuality);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(jpeg.data(), static_cast<std::streamsize>(jpeg.size()));
    out.close();
    if (!out || !CopyFileTime(f_.originalPath, target)) throw EGenvoraError("G5vclstrings.ExceptionFichier", target);
  } else if (!CopyFileWithTime(f_.originalPath, target)) {
    throw EGenvoraError("G5vclstrings.ExceptionFichier", target);
  }
  return true;
}

void TGMedia::ChangeChemin(const AnsiString& path, const std::vector<CodeID>& frames, LXArray* frameStore) {
  // The frames were cut from the picture in place before the change.
  int oldWidth = 0;
  int oldHeight = 0;
  if (IsFilenameIsAnImage() && GetFileExist()) {
    const TBitmap old = LoadPicture(GetFullPath());
    oldWidth = old.width;
    oldHeight = old.height;
  }
  BackupMedia();
  f_.originalPath = path;
  if (!IsFilenameIsAnImage(path)) return;
  CopyMediaToBundle();
  MetAJourVignette(path);
  if (oldWidth > 0 && oldHeight > 0) MetAJourCadres(frames, frameStore, oldWidth, oldHeight);
}

void TGMedia::SaveVignette(const TJPEGImage* image) {
  if (image != nullptr) f_.thumbnail = image->Bytes();
}

bool TGMedia::LoadVignette(TJPEGImage* image) const {
  if (image == nullptr || f_.thumbnail.empty()) return false;
  image->SetBytes(f_.thumbnail);
  return true;
}

void TGMedia::SetBlocSize(std::int32_t size) { f_.thumbnail.resize(size > 0 ? static_cast<std::size_t>(size) : 0); }

bool TGMedia::WriteToStream(FileHandle* stream) const {
  return stream != nullptr && stream->Write(f_.thumbnail.data(), f_.thumbnail.size());
}

bool TGMedia::MetAJourVignette(const AnsiString& path, int size) {
  if (!IsFilenameIsAnImage(path)) return false;
  f_.thumbnail = EncodeJpeg(MakeThumbnail(LoadPicture(path), size), kThumbnailJpegQuality);
  return true;
}

bool TGMedia::IsFilenameIsAnImage(const AnsiString& path) { return IsPictureExtension(KELGetFileExt(path)); }

void TGMedia::MetAJourCadres(const std::vector<CodeID>& frames, LXArray* frameStore, int oldWidth,
                             int oldHeight) const {
  if (frameStore == nullptr || frames.empty() || !GetFileExist()) return;
  const TBitmap current = LoadPicture(GetFullPath());
  for (CodeID code : frames) {
    TGMediaCadre frame;
    if (!frame.LitDans(code, frameStore)) continue;
    frame.Rescale(oldWidth, oldHeight, current.width, current.height);
    frame.EcritDans(code, frameStore);
  }
}

void TGMedia::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* o = dynamic_cast<TGMedia*>(other)) {
    Fusionne(o, codes);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TGMedia::Fusionne(TGMedia* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
  // The thumbnail's size and bytes go together: taking one without the
  // other would store a size that the bytes do not match.
  if (f_.thumbnail.empty()) f_.thumbnail = other->f_.thumbnail;
  if (f_.originalPath.empty()) f_.originalPath = other->f_.originalPath;
  date_->Fusionne(other->date_.get(), codes);
}

}  // namespace genvora
