#include "utilities/MD5.h"

#include <openssl/evp.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

namespace genvora {

namespace {

// The wording of the diagnostic lines never changes: logs and scripts of the
// conversion host may look for it.
constexpr std::size_t kFileBlockSize = 1024 * 1024;

struct MdContextDeleter {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using MdContext = std::unique_ptr<EVP_MD_CTX, MdContextDeleter>;

MdContext StartDigest() {
  MdContext ctx(EVP_MD_CTX_new());
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1) {
    std::printf("CryptAcquireContext failed: %d\n", 0);
    return nullptr;
  }
  return ctx;
}

std::string FinishDigest(EVP_MD_CTX* ctx) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx, digest, &length) != 1) {
    std::printf("CryptGetHashParam failed: %d\n", 0);
    return {};
  }
  std::string hex;
  char two[3];
  for (unsigned int i = 0; i < length; ++i) {
    std::snprintf(two, sizeof two, "%02X", digest[i]);
    hex += two;
  }
  return hex;
}

}  // namespace

std::string MD5(const void* buffer, std::size_t length) {
  MdContext ctx = StartDigest();
  if (!ctx) return {};
  if (length != 0 && EVP_DigestUpdate(ctx.get(), buffer, length) != 1) {
    std::printf("CryptHashData failed: %d\n", 0);
    return {};
  }
  return FinishDigest(ctx.get());
}

std::string MD5(std::string_view text) { return MD5(text.data(), text.size()); }

std::string MD5OfFileAtPath(const std::string& path) {
  if (path.empty()) return {};
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    std::printf("Error opening file %s\nError: %d\n", path.c_str(), errno);
    return {};
  }
  MdContext ctx = StartDigest();
  if (!ctx) return {};
  std::vector<unsigned char> block(kFileBlockSize);
  while (true) {
    std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
    if (got == 0) {
      if (std::ferror(file.get())) {
        std::printf("ReadFile failed: %d\n", errno);
        return {};
      }
      break;
    }
    if (EVP_DigestUpdate(ctx.get(), block.data(), got) != 1) {
      std::printf("CryptHashData failed: %d\n", 0);
      return {};
    }
  }
  return FinishDigest(ctx.get());
}

}  // namespace genvora
