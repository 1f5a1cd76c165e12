// PercentEncodeQuery over arbitrary UTF-16 keywords: the result holds only unreserved characters
// and %XX with uppercase digits, and those bytes are the keyword's UTF-8.
#include <unicode/ustring.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_checks.h"
#include "web/module1.h"

namespace {

bool IsUnreserved(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         std::strchr("-._~", c) != nullptr;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The bytes the escaped text stands for.
std::string Unescape(const std::string& escaped) {
  std::string bytes;
  for (size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] != '%') {
      Require(IsUnreserved(escaped[i]), "only unreserved characters stand unescaped");
      bytes += escaped[i];
      continue;
    }
    Require(i + 2 < escaped.size(), "a percent sign is followed by two digits");
    const int high = HexDigit(escaped[i + 1]), low = HexDigit(escaped[i + 2]);
    Require(high >= 0 && low >= 0, "escapes use uppercase hexadecimal digits");
    bytes += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string keyword(size / 2, u'\0');
  std::memcpy(keyword.data(), data, keyword.size() * 2);
  const std::string bytes = Unescape(Module1::PercentEncodeQuery(keyword));
  Require(IsValidUtf8(bytes), "the escaped bytes are valid UTF-8");
  // Where the keyword has no lone surrogate, the bytes are exactly its UTF-8.
  std::string utf8(keyword.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode error = U_ZERO_ERROR;
  u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &length, keyword.data(),
              static_cast<int32_t>(keyword.size()), &error);
  if (U_SUCCESS(error))
    Require(bytes == utf8.substr(0, length), "the bytes are the keyword's UTF-8");
  return 0;
}
