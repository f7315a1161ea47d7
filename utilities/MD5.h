// MD5 digests as 32 upper-case hexadecimal digits, in digest order.
//
// The functions never raise: a failure prints a diagnostic line on standard
// output and answers an empty text. An empty file has the digest of no data.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace genvora {

std::string MD5(const void* buffer, std::size_t length);
std::string MD5(std::string_view text);
// Empty for an empty path.
std::string MD5OfFileAtPath(const std::string& path);

}  // namespace genvora
