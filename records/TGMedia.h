// A media record: a picture or other file kept in the database's media
// folder (one sub-folder "#<code>" per media), with its JPEG thumbnail, a
// note, a privacy byte and a date.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 | text | original path (the file the media was made from)
//        . | text | second text (stored and copied)
//        . |    1 | privacy: 2 = private, 0 = not private
//        . | text | note
//        . |    4 | thumbnail size (signed, count of JPEG bytes)
//        . |    4 | old date (signed; a year, written by older versions)
//        . |    1 | Griot
//        . |    1 | Exportable
//        . |    n | thumbnail: exactly `thumbnail size` bytes of JPEG
//                                       <- end of the base fields
//   group 2, older files end before it:
//        . |   32 | date block (TGDate::dateT)  (default: the old date's
//          |      |                              year when positive, else
//          |      |                              zeroed)
//
// GetDataSize() = 58 + the lengths of the 3 texts + the thumbnail size.
//
// Invariants:
//  1. The thumbnail size is the count of thumbnail bytes held; a stored
//     size that is negative or larger than the bytes left is damage.
//  2. Encoding always writes the date block.
//  3. The media folder is the database's folder; a media without one (no
//     database) has no files and copies nothing.
#pragma once

#include <memory>
#include <vector>

#include "dates/TGDate.h"
#include "platform/File.h"
#include "platform/Graphics.h"
#include "records/TGRoot.h"

namespace genvora {

class TGMedia : public TGRoot {
 public:
  static constexpr std::uint8_t kPrive = 2;
  static constexpr int kThumbnailSize = 256;
  static constexpr int kBundleJpegQuality = 95;
  static constexpr int kThumbnailJpegQuality = 90;

  // `databaseFolder`: the folder of the database file the media belongs
  // to; empty = no database.
  explicit TGMedia(AnsiString databaseFolder = {});
  TGMedia(const TGMedia& other);
  TGMedia& operator=(const TGMedia& other);
  ~TGMedia() override;

  void EndInit() override;
  void zeroMemory();
  std::uint32_t GetDataSize() const override;

  const AnsiString& GetDatabaseFolder() const { return databaseFolder_; }
  void SetDatabaseFolder(const AnsiString& folder) { databaseFolder_ = folder; }
  using TGRoot::LitDans;
  // Remembers the database folder, then reads.
  bool LitDans(CodeID code, LXArray* store, const AnsiString& databaseFolder);

  void InitAll(CodeID code, const AnsiString& path, bool, const TJPEGImage* thumbnail);

  const AnsiString& GetOriginalFullPath() const { return f_.originalPath; }
  void SetOriginalFullPath(const AnsiString& path) { f_.originalPath = path; }
  AnsiString GetOriginalFileName() const;
  const AnsiString& GetSecondText() const { return f_.secondText; }
  void SetSecondText(const AnsiString& text) { f_.secondText = text; }
  const AnsiString& GetNote() const { return f_.note; }
  void SetNote(const AnsiString& text) { f_.note = text; }
  std::int32_t GetOldDate() const { return f_.oldDate; }
  void SetOldDate(std::int32_t year) { f_.oldDate = year; }
  bool Prive() const { return f_.privacy == kPrive; }
  void SetPrive(bool on) { f_.privacy = on ? kPrive : 0; }
  std::uint8_t GetPrivacyByte() const { return f_.privacy; }
  bool Exportable() const { return !Prive(); }
  bool Publiable() const { return !Prive() && IsFilenameIsAnImage(); }
  bool GetFileExist() const;

  TGDate* GetDate() { return date_.get(); }
  const TGDate::dateT& GetDateBlock() const { return f_.date; }
  void SetDateBlock(const TGDate::dateT& block) { f_.date = block; }
  // The date in the media's display pattern (which follows the date order
  // of the preferences).
  AnsiString GetDateText();

  // File names and places.
  static AnsiString GetMediaBundleName(const AnsiString& path);
  AnsiString GetMediaFolder() const;
  AnsiString GetFullPath() const;
  AnsiString GetBackupMediaPath() const;
  // Copies the media file to its backup unless one exists already.
  void BackupMedia() const;
  bool CopyMediaToBundle() const;
  // Points the media at a new original file: backs the bundle file up and,
  // for a picture, refreshes the bundle copy, the thumbnail and the frames
  // listed (read from and written back to `frameStore`).
  void ChangeChemin(const AnsiString& path, const std::vector<CodeID>& frames = {}, LXArray* frameStore = nullptr);

  // Thumbnail.
  void SaveVignette(const TJPEGImage* image);
  bool LoadVignette(TJPEGImage* image) const;
  const std::string& GetVignette() const { return f_.thumbnail; }
  std::int32_t GetBlocSize() const { return static_cast<std::int32_t>(f_.thumbnail.size()); }
  // Cuts or pads (with zeros) the thumbnail bytes to `size`.
  void SetBlocSize(std::int32_t size);
  bool WriteToStream(FileHandle* stream) const;
  // Rebuilds the thumbnail from the picture at `path`, at most `size`
  // pixels; other files (a PDF among them) keep their stored thumbnail and
  // answer false.
  bool MetAJourVignette(const AnsiString& path, int size = kThumbnailSize);

  static bool IsFilenameIsAnImage(const AnsiString& path);
  bool IsFilenameIsAnImage() const { return IsFilenameIsAnImage(f_.originalPath); }

  // Scales the listed frames from a picture of oldWidth x oldHeight to the
  // size of the media's current picture.
  void MetAJourCadres(const std::vector<CodeID>& frames, LXArray* frameStore, int oldWidth, int oldHeight) const;

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TGMedia* other, TListeAssociation* codes);

 protected:
  TGRootFields* Root() override { return &f_.root; }
  const TGRootFields* Root() const override { return &f_.root; }
  void WriteFields(ByteWriter& writer) const override;
  void ReadFields(ByteReader& reader) override;

 private:
  AnsiString Separator() const;

  struct Fields {
    // The byte layout of the table above, stated once for the size, the
    // writer and the reader (records/RecordLayout.h).
    template <class W, class F>
    static void Layout(W& w, F& f);

    TGRootFields root;
    AnsiString originalPath;
    AnsiString secondText;
    std::uint8_t privacy = 0;
    AnsiString note;
    std::int32_t oldDate = 0;
    std::string thumbnail;
    TGDate::dateT date{};
  };
  Fields f_;
  std::unique_ptr<TGDate> date_;  // over f_.date
  AnsiString databaseFolder_;
};

}  // namespace genvora
