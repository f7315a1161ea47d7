#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "containers/LXArray.h"
#include "containers/TListeAssociation.h"
#include "platform/Exception.h"
#include "platform/Graphics.h"
#include "records/RecordTestSupport.h"
#include "records/TGMedia.h"
#include "records/TGMediaCadre.h"
#include "TestSupport.h"

namespace genvora {
namespace {

TBitmap Gradient(int width, int height) {
  TBitmap b;
  b.width = width;
  b.height = height;
  b.rgb.resize(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i < b.rgb.size(); ++i) b.rgb[i] = static_cast<std::uint8_t>(i * 7);
  return b;
}

void WriteText(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// A 24-bit bitmap, rows bottom to top, padded to four bytes.
std::string Bmp(int width, int height) {
  const int stride = (width * 3 + 3) / 4 * 4;
  std::string b;
  ByteWriter w(b);
  w.U16(0x4D42);                                        // 0: "BM"
  w.U32(static_cast<std::uint32_t>(54 + stride * height));  // 2: file size
  w.U32(0);                                             // 6: reserved
  w.U32(54);                                            // 10: pixel offset
  w.U32(40);                                            // 14: info header size
  w.I32(width);                                         // 18: width
  w.I32(height);                                        // 22: height
  w.U16(1);                                             // 26: planes
  w.U16(24);                                            // 28: bits per pixel
  w.U32(0);                                             // 30: compression
  w.U32(0);                                             // 34: image size
  w.U32(0);                                             // 38
  w.U32(0);                                             // 42
  w.U32(0);                                             // 46
  w.U32(0);                                             // 50
  b.append(static_cast<std::size_t>(stride) * height, '\x40');  // 54: pixels
  return b;
}

TGMedia FullMedia() {
  TGMedia m;
  m.SetCodeID(12);
  m.SetDateLT(0, 40000);
  m.SetDateLT(1, 40001);
  m.SetOriginalFullPath("C:\\Photos\\Mari\xE9" "e.jpg");
  m.SetSecondText("second");
  m.SetPrive(true);
  m.SetNote("Photo de la mari\xE9" "e");
  m.SetOldDate(1900);
  m.SetGriot(true);
  m.SetExportable(true);
  const TJPEGImage thumb(EncodeJpeg(Gradient(8, 6), 80));
  m.SaveVignette(&thumb);
  m.GetDate()->SetYear(1901, false);
  return m;
}

TEST(TGMediaTest, RoundTripThroughTheStore) {
  LXArray store("TBMedia", true);
  TGMedia m = FullMedia();
  m.SetStampOnWrite(false);
  ASSERT_NE(m.EcritDans(12, &store), 0);
  EXPECT_EQ(store.FetchData(12, nullptr, 0), m.GetDataSize());
  EXPECT_EQ(m.GetDataSize(), 58 + m.GetOriginalFullPath().size() + 6 + m.GetNote().size() + m.GetVignette().size());
  TGMedia back;
  ASSERT_TRUE(back.LitDans(12, &store, "/data/base"));
  EXPECT_EQ(back.GetDatabaseFolder(), "/data/base");
  EXPECT_EQ(back.GetOriginalFullPath(), m.GetOriginalFullPath());
  EXPECT_EQ(back.GetOriginalFileName(), "Mari\xE9" "e.jpg");
  EXPECT_EQ(back.GetSecondText(), "second");
  EXPECT_TRUE(back.Prive());
  EXPECT_EQ(back.GetPrivacyByte(), 2);
  EXPECT_EQ(back.GetNote(), m.GetNote());
  EXPECT_EQ(back.GetOldDate(), 1900);
  EXPECT_EQ(back.GetVignette(), m.GetVignette());
  EXPECT_EQ(back.GetDate()->GetYear(false), 1901);
  TJPEGImage loaded;
  ASSERT_TRUE(back.LoadVignette(&loaded));
  const TBitmap thumb = DecodeJpeg(loaded.Bytes());
  EXPECT_EQ(thumb.width, 8);
  EXPECT_FALSE(TGMedia().LoadVignette(&loaded));
}

// The older layout: no date block after the thumbnail.
std::string OldMediaBytes(std::int32_t oldDate, const std::string& thumbnail) {
  std::string b;
  ByteWriter w(b);
  w.U32(13);                        // 0: CodeID
  w.U32(30000);                     // 4: DateCreation
  w.U32(30000);                     // 8: DateModification
  w.CString("D:\\scan.png");        // 12: original path
  w.CString("");                    // second text
  w.U8(0);                          // privacy
  w.CString("");                    // note
  w.I32(static_cast<std::int32_t>(thumbnail.size()));  // thumbnail size
  w.I32(oldDate);                   // old date
  w.U8(0);                          // Griot
  w.U8(0);                          // Exportable
  w.Bytes(thumbnail.data(), thumbnail.size());  // thumbnail  <- end of the base fields
  return b;
}

TEST(TGMediaTest, OlderLayoutTakesItsDateFromTheOldYear) {
  TGMedia m = FullMedia();
  ASSERT_TRUE(DecodesInto(OldMediaBytes(1880, "JPEGBYTES"), m));
  EXPECT_EQ(m.GetVignette(), "JPEGBYTES");
  EXPECT_EQ(m.GetDate()->GetYear(false), 1880);
  EXPECT_EQ(m.GetDateText(), "1880");
  EXPECT_EQ(m.EncodeToString().size(), m.GetDataSize()) << "written back with its date block";
  ASSERT_TRUE(DecodesInto(OldMediaBytes(0, ""), m));
  EXPECT_TRUE(m.GetDate()->EstVide());
  EXPECT_FALSE(m.Prive());
  EXPECT_EQ(m.GetNote(), "");
}

TEST(TGMediaTest, TruncatedOrOversizedThumbnailsAreRefused) {
  const std::string full = FullMedia().EncodeToString();
  ExpectDecodesOnlyAt<TGMedia>(full, {full.size() - 32, full.size()});
  // offset of the thumbnail size: after the three texts and the privacy byte
  const std::string base = OldMediaBytes(0, "abc");
  const std::size_t sizeAt = base.size() - 3 - 2 - 4 - 4;
  for (std::int32_t size : {-1, 4, 1000, INT32_MAX, INT32_MIN}) {
    std::string bad = base;
    std::memcpy(bad.data() + sizeAt, &size, 4);
    TGMedia m;
    m.SetCodeID(5);
    EXPECT_FALSE(DecodesInto(bad, m)) << size;
    EXPECT_EQ(m.GetCodeID(), 5u);
  }
  LXArray store("TBMedia", true);
  std::string bad = base;
  const std::int32_t huge = INT32_MAX;
  std::memcpy(bad.data() + sizeAt, &huge, 4);
  store.EcritData(13, bad.data(), static_cast<unsigned>(bad.size()));
  TGMedia m;
  EXPECT_FALSE(m.LitDans(13, &store));
  EXPECT_FALSE(m.LastDamage().empty());
  EXPECT_EQ(store.FetchData(13, nullptr, 0), bad.size()) << "kept in the store for the repair";
}

TEST(TGMediaTest, BundleNamesAndPaths) {
  const struct {
    const char* path;
    const char* bundle;
  } cases[] = {
      {"C:\\Photos\\Photo&Co.bmp", "Photo_Co.jpg"},
      {"C:\\Photos\\a:b*c?d\"e<f>g|h`i\x91j\x92k.png", "a_b_c_d_e_f_g_h_i_j_k.jpg"},
      {"/home/u/Scan.JPEG", "Scan.jpg"},
      {"/home/u/acte.pdf", "acte.pdf"},
      {"/home/u/photo.jpg", "photo.jpg"},
      {"C:\\x\\sans extension", "sans extension"},
  };
  for (const auto& c : cases) EXPECT_EQ(TGMedia::GetMediaBundleName(c.path), c.bundle) << c.path;

  TGMedia m("C:\\Genea\\");
  m.SetOriginalFullPath("C:\\Photos\\Photo&Co.bmp");
  EXPECT_EQ(m.GetFullPath(), "") << "no code yet";
  m.SetCodeID(12);
  EXPECT_EQ(m.GetFullPath(), "C:\\Genea\\Media\\#12\\Photo_Co.jpg");
  EXPECT_EQ(m.GetBackupMediaPath(), "C:\\Genea\\Media\\#12\\Photo_Co.bmk");
  EXPECT_TRUE(m.IsFilenameIsAnImage());
  EXPECT_FALSE(m.Publiable() && m.Prive());
  m.SetPrive(true);
  EXPECT_FALSE(m.Publiable());
  EXPECT_FALSE(m.Exportable());
  m.SetDatabaseFolder("/srv/genea");
  EXPECT_EQ(m.GetFullPath(), "/srv/genea/Media/#12/Photo_Co.jpg");
}

TEST(TGMediaTest, CopyToBundleBackupAndThumbnail) {
  TempDir dir;
  const std::string original = dir.Path() + "/orig/Photo&Co.bmp";
  std::filesystem::create_directories(dir.Path() + "/orig");
  WriteText(original, Bmp(600, 300));
  const auto past = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
  std::filesystem::last_write_time(original, past);

  TGMedia noDatabase;
  noDatabase.SetCodeID(3);
  noDatabase.SetOriginalFullPath(original);
  EXPECT_TRUE(noDatabase.CopyMediaToBundle()) << "nothing to do without a database";

  TGMedia m(dir.Path());
  m.SetCodeID(12);
  m.SetOriginalFullPath(dir.Path() + "/orig/missing.png");
  EXPECT_TRUE(m.CopyMediaToBundle()) << "a missing original copies nothing";
  EXPECT_FALSE(m.GetFileExist());

  m.SetOriginalFullPath(original);
  ASSERT_TRUE(m.CopyMediaToBundle());
  ASSERT_TRUE(m.GetFileExist());
  const TBitmap saved = LoadPicture(m.GetFullPath());
  EXPECT_EQ(saved.width, 600);
  EXPECT_EQ(saved.height, 300);
  EXPECT_EQ(std::filesystem::last_write_time(m.GetFullPath()), std::filesystem::last_write_time(original));

  ASSERT_TRUE(m.MetAJourVignette(original));
  const TBitmap thumb = DecodeJpeg(m.GetVignette());
  EXPECT_EQ(thumb.width, 256);
  EXPECT_EQ(thumb.height, 128);
  const std::string stored = m.GetVignette();
  EXPECT_FALSE(m.MetAJourVignette(dir.Path() + "/orig/acte.pdf")) << "a PDF keeps its thumbnail";
  EXPECT_EQ(m.GetVignette(), stored);

  m.BackupMedia();
  ASSERT_TRUE(std::filesystem::exists(m.GetBackupMediaPath()));
  const auto backupSize = std::filesystem::file_size(m.GetBackupMediaPath());
  WriteText(m.GetFullPath(), "changed");
  m.BackupMedia();
  EXPECT_EQ(std::filesystem::file_size(m.GetBackupMediaPath()), backupSize) << "never overwritten";

  // Another file is copied as it is, replacing an earlier copy.
  const std::string pdf = dir.Path() + "/orig/acte.pdf";
  WriteText(pdf, "%PDF-1.4 test");
  TGMedia p(dir.Path());
  p.SetCodeID(13);
  p.SetOriginalFullPath(pdf);
  ASSERT_TRUE(p.CopyMediaToBundle());
  WriteText(pdf, "%PDF-1.4 second");
  ASSERT_TRUE(p.CopyMediaToBundle());
  EXPECT_EQ(std::filesystem::file_size(p.GetFullPath()), std::string("%PDF-1.4 second").size());

  // A damaged picture raises the graphics layer's exception.
  const std::string broken = dir.Path() + "/orig/broken.png";
  WriteText(broken, "\x89PNG\r\n\x1A\n garbage");
  TGMedia b(dir.Path());
  b.SetCodeID(14);
  b.SetOriginalFullPath(broken);
  EXPECT_THROW(b.CopyMediaToBundle(), EGenvoraError);
}

TEST(TGMediaTest, ChangeCheminRescalesFrames) {
  TempDir dir;
  const std::string first = dir.Path() + "/first.bmp";
  const std::string second = dir.Path() + "/second.bmp";
  WriteText(first, Bmp(200, 100));
  WriteText(second, Bmp(400, 300));
  TGMedia m(dir.Path());
  m.SetCodeID(20);
  m.SetOriginalFullPath(first);
  ASSERT_TRUE(m.CopyMediaToBundle());
  LXArray frames("TBCadre", true);
  TGMediaCadre c;
  c.SetMediaOrigine(20);
  c.SetRect({10, 10, 100, 50});
  c.EcritDans(31, &frames);
  m.ChangeChemin(second, {31}, &frames);
  EXPECT_EQ(m.GetOriginalFullPath(), second);
  TGMediaCadre back;
  ASSERT_TRUE(back.LitDans(31, &frames));
  EXPECT_EQ(back.GetRect(), (TGRect{20, 30, 200, 150}));
  EXPECT_FALSE(m.GetVignette().empty());
}

TEST(TGMediaTest, MergeTakesThumbnailPathAndDate) {
  TListeAssociation codes(2);
  codes.Add(12, 112);
  TGMedia o = FullMedia();
  TGMedia e;
  e.Fusionne(&o, &codes);
  EXPECT_EQ(e.GetCodeID(), 112u);
  EXPECT_EQ(e.GetVignette(), o.GetVignette());
  EXPECT_EQ(e.GetOriginalFullPath(), o.GetOriginalFullPath());
  EXPECT_EQ(e.GetDate()->GetYear(false), 1901);
  EXPECT_EQ(e.GetNote(), "") << "the note is not merged";
  EXPECT_EQ(e.EncodeToString().size(), e.GetDataSize());
  TGMedia s;
  s.SetOriginalFullPath("mine.jpg");
  s.SetBlocSize(3);
  s.Fusionne(&o, &codes);
  EXPECT_EQ(s.GetOriginalFullPath(), "mine.jpg");
  EXPECT_EQ(s.GetBlocSize(), 3);
}

TEST(GraphicsTest, PicturesAndTheirExtensions) {
  for (const char* ext : {".jpg", ".JPEG", ".png", ".bmp", ".Jpe"}) EXPECT_TRUE(IsPictureExtension(ext)) << ext;
  for (const char* ext : {".pdf", ".txt", "", ".jpgx"}) EXPECT_FALSE(IsPictureExtension(ext)) << ext;
  const TBitmap b = Gradient(10, 4);
  const TBitmap back = DecodeJpeg(EncodeJpeg(b, 95));
  EXPECT_EQ(back.width, 10);
  EXPECT_EQ(back.height, 4);
  const TBitmap small = MakeThumbnail(Gradient(100, 1000), 256);
  EXPECT_EQ(small.width, 25);
  EXPECT_EQ(small.height, 256);
  EXPECT_EQ(MakeThumbnail(b, 256).width, 10) << "small pictures keep their size";
  EXPECT_THROW(DecodeJpeg("not a jpeg"), EGenvoraError);
  EXPECT_THROW(DecodeJpeg(""), EGenvoraError);
  TempDir dir;
  // A bitmap whose header promises more rows than the file holds.
  std::string bmp = Bmp(4, 4);
  bmp.resize(bmp.size() - 10);
  WriteText(dir.Path() + "/cut.bmp", bmp);
  EXPECT_THROW(LoadPicture(dir.Path() + "/cut.bmp"), EGenvoraError);
  EXPECT_THROW(LoadPicture(dir.Path() + "/none.png"), EGenvoraError);
}

}  // namespace
}  // namespace genvora
