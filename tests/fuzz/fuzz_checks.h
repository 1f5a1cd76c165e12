// What the fuzz targets check beyond "no crash". A failed check aborts, which libFuzzer reports
// as a crash and saves the input that caused it.
#pragma once

#include <unicode/ustring.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

inline void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

// True when `text` is well-formed UTF-8, as ICU reads it: no stray, overlong or surrogate bytes.
inline bool IsValidUtf8(std::string_view text) {
  UErrorCode error = U_ZERO_ERROR;
  int32_t length = 0;
  u_strFromUTF8(nullptr, 0, &length, text.data(), static_cast<int32_t>(text.size()), &error);
  return error == U_BUFFER_OVERFLOW_ERROR || error == U_STRING_NOT_TERMINATED_WARNING ||
         U_SUCCESS(error);
}

// True when `part` lies inside `whole` as a contiguous run of bytes.
inline bool IsSubstring(std::string_view part, std::string_view whole) {
  return whole.find(part) != std::string_view::npos;
}
