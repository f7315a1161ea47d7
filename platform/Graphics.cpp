#include "platform/Graphics.h"

#include <jpeglib.h>
#include <png.h>
#include <sys/stat.h>
#include <fcntl.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/ByteCursor.h"
#include "platform/Exception.h"

namespace genvora {

namespace {

// libjpeg reports errors through a callback that must not return; it jumps
// back to the decoder's or encoder's frame, which then raises. Only C
// objects live between the jump and its target.
struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

void JpegSilence(j_common_ptr, int) {}

// Decodes into `out`, already sized by nothing; false on any error.
bool DecodeJpegInto(const std::string& bytes, TBitmap& out) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  err.mgr.emit_message = JpegSilence;
  if (setjmp(err.jump) != 0) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  if (static_cast<std::int64_t>(cinfo.image_width) * cinfo.image_height > kMaxPicturePixels) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_start_decompress(&cinfo);
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.rgb.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) * out.width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

bool EncodeJpegInto(const TBitmap& picture, int quality, unsigned char*& buffer, unsigned long& size) {
  jpeg_compress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  err.mgr.emit_message = JpegSilence;
  if (setjmp(err.jump) != 0) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(picture.width);
  cinfo.image_height = static_cast<JDIMENSION>(picture.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    auto* row = const_cast<JSAMPROW>(picture.rgb.data() + static_cast<std::size_t>(cinfo.next_scanline) *
                                                               static_cast<std::size_t>(picture.width) * 3);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

std::string ReadFileBytes(const AnsiString& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EGenvoraError("G5vclstrings.PictureLoadFailed", path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

AnsiString LowerExtension(const AnsiString& path) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t sep = path.find_last_of("/\\");
  if (dot == AnsiString::npos || (sep != AnsiString::npos && dot < sep)) return {};
  AnsiString ext = path.substr(dot);
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ext;
}

// An uncompressed Windows bitmap of 24 or 32 bits per pixel.
//
//   offset | size | field
//        0 |    2 | "BM"
//       10 |    4 | offset of the pixel rows
//       14 |    4 | size of the info header (40 or more)
//       18 |    4 | width (signed)
//       22 |    4 | height (signed; negative = rows top to bottom)
//       28 |    2 | bits per pixel (24 or 32 accepted)
//       30 |    4 | compression (0 = none accepted)
bool DecodeBmpInto(const std::string& bytes, TBitmap& out) {
  ByteReader r(bytes);
  std::uint16_t magic = 0, planes = 0, bpp = 0;
  std::uint32_t fileSize = 0, reserved = 0, pixelOffset = 0, infoSize = 0, compression = 0;
  std::int32_t width = 0, height = 0;
  r.U16(magic);
  r.U32(fileSize);
  r.U32(reserved);
  r.U32(pixelOffset);
  r.U32(infoSize);
  r.I32(width);
  r.I32(height);
  r.U16(planes);
  r.U16(bpp);
  r.U32(compression);
  if (!r.Ok() || magic != 0x4D42 || infoSize < 40 || (bpp != 24 && bpp != 32) || compression != 0) return false;
  const bool topDown = height < 0;
  const std::int64_t rows = topDown ? -static_cast<std::int64_t>(height) : height;
  if (width <= 0 || rows <= 0 || static_cast<std::int64_t>(width) * rows > kMaxPicturePixels) return false;
  const std::uint64_t stride = (static_cast<std::uint64_t>(bpp) * static_cast<std::uint64_t>(width) + 31) / 32 * 4;
  if (pixelOffset > bytes.size() || stride * static_cast<std::uint64_t>(rows) > bytes.size() - pixelOffset) return false;
  out.width = width;
  out.height = static_cast<int>(rows);
  out.rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows) * 3);
  const std::size_t bytesPerPixel = bpp / 8;
  for (std::int64_t y = 0; y < rows; ++y) {
    const std::int64_t sourceRow = topDown ? y : rows - 1 - y;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data()) + pixelOffset +
                    static_cast<std::size_t>(stride) * static_cast<std::size_t>(sourceRow);
    std::uint8_t* q = out.rgb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3;
    for (std::int32_t x = 0; x < width; ++x, p += bytesPerPixel, q += 3) {
      q[0] = p[2];  // stored blue, green, red
      q[1] = p[1];
      q[2] = p[0];
    }
  }
  return true;
}

}  // namespace

const std::vector<AnsiString>& PictureExtensions() {
  static const std::vector<AnsiString> kExtensions = {".jpg", ".jpeg", ".jpe", ".jfif", ".png", ".bmp"};
  return kExtensions;
}

bool IsPictureExtension(const AnsiString& extensionWithDot) {
  const AnsiString ext = LowerExtension("x" + extensionWithDot);
  for (const AnsiString& known : PictureExtensions()) {
    if (ext == known) return true;
  }
  return false;
}

TBitmap DecodeJpeg(const std::string& bytes) {
  TBitmap out;
  if (!DecodeJpegInto(bytes, out)) throw EGenvoraError("G5vclstrings.PictureLoadFailed", "JPEG");
  return out;
}

TBitmap DecodePng(const std::string& bytes) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0) {
    throw EGenvoraError("G5vclstrings.PictureLoadFailed", "PNG");
  }
  if (static_cast<std::int64_t>(image.width) * image.height > kMaxPicturePixels) {
    png_image_free(&image);
    throw EGenvoraError("G5vclstrings.PictureLoadFailed", "PNG too large");
  }
  image.format = PNG_FORMAT_RGB;
  TBitmap out;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) == 0) {
    png_image_free(&image);
    throw EGenvoraError("G5vclstrings.PictureLoadFailed", "PNG");
  }
  return out;
}

TBitmap LoadPicture(const AnsiString& path) {
  const std::string bytes = ReadFileBytes(path);
  static const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0) return DecodePng(bytes);
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    TBitmap out;
    if (!DecodeBmpInto(bytes, out)) throw EGenvoraError("G5vclstrings.PictureLoadFailed", "BMP");
    return out;
  }
  return DecodeJpeg(bytes);
}

TBitmap MakeThumbnail(const TBitmap& picture, int maxSize) {
  if (maxSize <= 0 || (picture.width <= maxSize && picture.height <= maxSize)) return picture;
  TBitmap out;
  // The longer side becomes maxSize; the other keeps the proportion, at
  // least one pixel.
  if (picture.width >= picture.height) {
    out.width = maxSize;
    out.height = std::max(1, static_cast<int>(static_cast<std::int64_t>(picture.height) * maxSize / picture.width));
  } else {
    out.height = maxSize;
    out.width = std::max(1, static_cast<int>(static_cast<std::int64_t>(picture.width) * maxSize / picture.height));
  }
  out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);
  // Box filter: each target pixel averages the source pixels it covers.
  for (int y = 0; y < out.height; ++y) {
    const int y0 = static_cast<int>(static_cast<std::int64_t>(y) * picture.height / out.height);
    const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<std::int64_t>(y + 1) * picture.height / out.height));
    for (int x = 0; x < out.width; ++x) {
      const int x0 = static_cast<int>(static_cast<std::int64_t>(x) * picture.width / out.width);
      const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<std::int64_t>(x + 1) * picture.width / out.width));
      std::uint64_t sum[3] = {0, 0, 0};
      for (int sy = y0; sy < y1; ++sy) {
        const std::uint8_t* p = picture.rgb.data() + (static_cast<std::size_t>(sy) * picture.width + x0) * 3;
        for (int sx = x0; sx < x1; ++sx, p += 3) {
          sum[0] += p[0];
          sum[1] += p[1];
          sum[2] += p[2];
        }
      }
      const auto count = static_cast<std::uint64_t>(y1 - y0) * static_cast<std::uint64_t>(x1 - x0);
      std::uint8_t* q = out.rgb.data() + (static_cast<std::size_t>(y) * out.width + x) * 3;
      for (int c = 0; c < 3; ++c) q[c] = static_cast<std::uint8_t>(sum[c] / count);
    }
  }
  return out;
}

std::string EncodeJpeg(const TBitmap& picture, int quality) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.rgb.size() != static_cast<std::size_t>(picture.width) * picture.height * 3) {
    throw EGenvoraError("G5vclstrings.PictureSaveFailed", "empty picture");
  }
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool ok = EncodeJpegInto(picture, quality, buffer, size);
  std::string out;
  if (ok && buffer != nullptr) out.assign(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  if (!ok) throw EGenvoraError("G5vclstrings.PictureSaveFailed", "JPEG");
  return out;
}

bool CopyFileTime(const AnsiString& model, const AnsiString& path) {
  struct stat st {};
  if (::stat(model.c_str(), &st) != 0) return false;
  // Nanoseconds too, so that the copy compares equal to its model.
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool CopyFileWithTime(const AnsiString& source, const AnsiString& destination) {
  std::error_code ec;
  std::filesystem::copy_file(source, destination, std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) return false;
  return CopyFileTime(source, destination);
}

}  // namespace genvora
