// Path helpers, working-copy names, safe replacement, bundles and digests.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "utilities/FilePaths.h"
#include "utilities/MD5.h"

namespace genvora {
namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(PathHelpers, SplitBothForms) {
  struct Case {
    const char* path;
    const char* fullName;
    const char* name;
    const char* ext;
    const char* dir;
  };
  const Case cases[] = {
      {"C:\\Data\\family.GV9", "family.GV9", "family", ".GV9", "C:\\Data\\"},
      {"/home/u/family.genvora", "family.genvora", "family", ".genvora", "/home/u/"},
      {"/home/u.v/notes", "notes", "notes", "", "/home/u.v/"},
      {"archive.tar.gz", "archive.tar.gz", "archive.tar", ".gz", ""},
      {"/media/a\\b.jpg", "a\\b.jpg", "a\\b", ".jpg", "/media/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KELGetFileFullName(c.path), c.fullName) << c.path;
    EXPECT_EQ(KELGetFileName(c.path), c.name) << c.path;
    EXPECT_EQ(KELGetFileExt(c.path), c.ext) << c.path;
    EXPECT_EQ(KELGetFilePath(c.path, false), c.dir) << c.path;
  }
  EXPECT_EQ(KELGetFilePath("C:\\Data\\x.txt", true), "C:\\Data");
  EXPECT_EQ(KELChangeFileExt("/a.b/c", ".bak"), "/a.b/c.bak");
  EXPECT_EQ(KELChangeFileExt("/a/c.genvora", ".~~"), "/a/c.~~");
  EXPECT_FALSE(KELFileExists(""));
}

TEST(WorkingCopies, Names) {
  EXPECT_EQ(KELGetFileNameTild("/d/f.genvora"), "/d/f.~genvora");
  EXPECT_EQ(KELGetFileNameTild("/d/f.~genvora"), "/d/f.~genvora");
  EXPECT_EQ(KELGetFileNameNoTild("/d/f.~genvora"), "/d/f.genvora");
  EXPECT_EQ(KELGetFileNameNoTild("/d/f.genvora"), "/d/f.genvora");

}

TEST(SafeRenameFile, ReplacesAndKeepsThePreviousOnFailure) {
  TempDir dir;
  std::string src = dir.Path() + "/new.genvora";
  std::string dst = dir.Path() + "/db.genvora";
  EXPECT_TRUE(SafeRenameFile(src, dst)) << "a missing source changes nothing";
  WriteAll(src, Bytes("new"));
  WriteAll(dst, Bytes("old"));
  ASSERT_TRUE(SafeRenameFile(src, dst));
  EXPECT_EQ(ReadAll(dst), Bytes("new"));
  EXPECT_FALSE(fs::exists(src));
  EXPECT_FALSE(fs::exists(dir.Path() + "/db.~~"));

  // A destination that cannot be written: a directory in the way of the copy.
  std::string blocked = dir.Path() + "/sub/db.genvora";
  fs::create_directories(dir.Path() + "/sub");
  WriteAll(src, Bytes("newer"));
  WriteAll(blocked, Bytes("previous"));
  fs::permissions(dir.Path() + "/sub", fs::perms::owner_read | fs::perms::owner_exec);
  bool replaced = SafeRenameFile(src, blocked);
  fs::permissions(dir.Path() + "/sub", fs::perms::owner_all);
  // Root ignores the permission; anyone else must find the previous file intact.
  if (!replaced) {
    EXPECT_EQ(ReadAll(blocked), Bytes("previous"));
  }

  std::string copy = dir.Path() + "/copy.genvora";
  WriteAll(copy, Bytes("before"));
  ASSERT_TRUE(SafeCopyFile(dst, copy));
  EXPECT_EQ(ReadAll(copy), Bytes("new"));
  EXPECT_TRUE(fs::exists(dst));
  EXPECT_FALSE(fs::exists(dir.Path() + "/copy.bak"));
}

TEST(MediaBundles, NamesAndUniquePaths) {
  TempDir dir;
  std::string bundle = dir.Path() + "/photos.gmw";
  EXPECT_EQ(KELGetNewUniqueBundlePath(bundle), bundle);
  fs::create_directory(bundle);
  fs::create_directory(dir.Path() + "/photos#1.gmw");
  EXPECT_EQ(KELGetNewUniqueBundlePath(bundle), dir.Path() + "/photos#2.gmw");

  EXPECT_EQ(IsMediaBundleName("C:\\m\\photos#12\\a.jpg"), 12);
  EXPECT_EQ(IsMediaBundleName("/m/photos#7/a.jpg"), 7);
  EXPECT_EQ(IsMediaBundleName("/m/photos#7"), 0);
  EXPECT_EQ(IsMediaBundleName("/m/photos#x/a.jpg"), 0);
  EXPECT_EQ(IsMediaBundleName("/m/photos/a.jpg"), 0);

  EXPECT_EQ(KELGetBundleName("/m/photos.gmw"), "photos.gmw");
  EXPECT_EQ(KELGetBundleName("/m/photos.gmw/a.jpg"), "photos.gmw");
  EXPECT_EQ(KELGetBundleName("C:\\m\\photos.GMW\\"), "photos.GMW");
  EXPECT_EQ(KELGetBundleName("/m/photos.gmw/sub/a.jpg"), "");
  EXPECT_EQ(KELGetBundlePath("/m/photos.gmw/a.jpg"), "/m/photos.gmw");
  EXPECT_EQ(KELGetGenvoraFileNameFromBundlePath("/m/photos.gmw"), "/m/photos.gmw/photos.genvora");
  EXPECT_EQ(KELGetGenvoraFileNameFromBundlePath("C:\\m\\photos.gmw\\"), "C:\\m\\photos.gmw\\photos.genvora");
}

TEST(MD5, KnownDigests) {
  EXPECT_EQ(MD5(""), "D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(MD5("abc"), "900150983CD24FB0D6963F7D28E17F72");
  TempDir dir;
  WriteAll(dir.Path() + "/empty", {});
  EXPECT_EQ(MD5OfFileAtPath(dir.Path() + "/empty"), "D41D8CD98F00B204E9800998ECF8427E");
  // More than one 1 MiB block.
  std::string big(1024 * 1024 + 3, 'a');
  WriteAll(dir.Path() + "/big", Bytes(big));
  EXPECT_EQ(MD5OfFileAtPath(dir.Path() + "/big"), MD5(big));
  EXPECT_EQ(MD5OfFileAtPath(""), "");
  EXPECT_EQ(MD5OfFileAtPath(dir.Path() + "/absent"), "");
}

}  // namespace
}  // namespace genvora
