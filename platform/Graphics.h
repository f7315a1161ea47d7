// The graphics layer the media records need: which file extensions are
// pictures, loading a JPEG, PNG or uncompressed BMP picture, scaling it to a thumbnail,
// encoding JPEG, and copying a file with its modification time.
//
// Pictures are held as 8-bit RGB rows. Every failure (unreadable file,
// damaged or unsupported picture) raises EGenvoraError; nothing read from a
// picture file is trusted for an allocation before the decoder has checked
// the picture's dimensions against kMaxPicturePixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace genvora {

struct TBitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, rows top to bottom
};

// A JPEG image held as its encoded bytes (a thumbnail, a saved picture).
class TJPEGImage {
 public:
  TJPEGImage() = default;
  explicit TJPEGImage(std::string bytes) : bytes_(std::move(bytes)) {}
  const std::string& Bytes() const { return bytes_; }
  void SetBytes(std::string bytes) { bytes_ = std::move(bytes); }
  bool Empty() const { return bytes_.empty(); }

 private:
  std::string bytes_;
};

constexpr std::int64_t kMaxPicturePixels = 100'000'000;

// Extensions of the pictures the layer loads, lower case with their dot.
const std::vector<AnsiString>& PictureExtensions();
// True when the extension of `path` (any case) is one of them.
bool IsPictureExtension(const AnsiString& extensionWithDot);

TBitmap LoadPicture(const AnsiString& path);
TBitmap DecodeJpeg(const std::string& bytes);
TBitmap DecodePng(const std::string& bytes);
// The picture scaled to fit `maxSize` x `maxSize`, keeping its proportions;
// a smaller picture is kept at its size.
TBitmap MakeThumbnail(const TBitmap& picture, int maxSize);
std::string EncodeJpeg(const TBitmap& picture, int quality);

// Copies `source` over `destination` and gives the copy the source's last
// modification time; false when either step fails.
bool CopyFileWithTime(const AnsiString& source, const AnsiString& destination);
// Gives `path` the last modification time of `model`.
bool CopyFileTime(const AnsiString& model, const AnsiString& path);

}  // namespace genvora
