// DetectUtf8 and DecodeResponse over arbitrary bodies: the text is always valid UTF-8, and a body
// that already is UTF-8 comes back unchanged.
#include <cstddef>
#include <cstdint>

#include "fuzz_checks.h"
#include "web/module1.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  const bool utf8 = Module1::DetectUtf8(body);
  const std::string text = Module1::DecodeResponse(body);
  Require(IsValidUtf8(text), "decoded text is valid UTF-8");
  if (utf8 && IsValidUtf8(body) && !body.starts_with("\xEF\xBB\xBF")) {
    Require(text == body, "a valid UTF-8 body is kept as it is");
  }
  return 0;
}
