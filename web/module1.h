// The web procedures: the program's only way to the network, and the two charset and escaping
// helpers that go with it.
//
//   std::string page = Module1::FetchPage("http://127.0.0.1:8750/entry/abc_1/", false);
//   if (page.empty()) { /* nothing arrived: treat it as a page with nothing in it */ }
//
// Page text is UTF-8 in a std::string. Nothing here throws, shows anything or logs anything.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace Module1 {

// How long a fetch may take and how much it may bring back, chosen for a user who waits in front
// of a window. Reaching any limit is a failure of the fetch, so it returns empty text. Tests pass
// shorter ones.
struct FetchLimits {
  std::chrono::milliseconds connect{10'000};  // to establish the connection
  std::chrono::seconds slowSpan{15};          // a page that brings less than `slowBytes` ...
  std::size_t slowBytes = 1024;               // ... in any such span is ended
  std::chrono::milliseconds total{30'000};    // for the whole request, redirects included
  std::size_t maxBody = 32u << 20;            // decoded body bytes
};

// While it lives, fetches made on the constructing thread end soon after `cancelled` becomes
// true, with empty text as any failed fetch, and fetches begun after that end at once. This is
// how a window that is being closed stops the fetch its worker thread waits on.
class CancelScope final {
 public:
  explicit CancelScope(const std::atomic<bool>& cancelled);
  ~CancelScope();
  CancelScope(const CancelScope&) = delete;
  CancelScope& operator=(const CancelScope&) = delete;

 private:
  const std::atomic<bool>* m_previous;
};

// Makes the network layer ready. Call once from main() before any thread fetches; FetchPage also
// does it on first use, so tests need not.
void InitNetwork();

// One HTTP GET of `url`, with the extra header "If-Modified-Since: 0", returning the body decoded
// by DecodeResponse. The status code is never examined: a 404 page with a body is a page.
// Returns empty text on every failure: no connection, a limit reached, an incomplete response, an
// empty body, a cancellation (CancelScope). Redirects are followed (at most 10, http and https
// only); compressed bodies are accepted; characters that may not stand in a request line are
// percent-encoded when sent. Consecutive fetches to one server reuse its connection. Safe to call
// from any thread. `asynchronous` is accepted for the callers' sake; every request is synchronous.
std::string FetchPage(const std::string& url, bool asynchronous);
std::string FetchPage(const std::string& url, bool asynchronous, const FetchLimits& limits);

// True when `body` is to be read as UTF-8: it begins with the byte-order mark EF BB BF, or it
// holds at least one multi-byte sequence and the scan meets no byte that breaks the sequence
// rules before the end. Bodies shorter than three bytes and pure ASCII give false.
bool DetectUtf8(std::string_view body);

// `body` decoded as UTF-8 when DetectUtf8 says so, otherwise as GB18030 (which reads GBK and
// GB 2312), returned as valid UTF-8 with a leading byte-order mark dropped. Every byte that cannot
// be decoded becomes U+FFFD; it never takes a following ASCII byte with it.
std::string DecodeResponse(std::string_view body);

// The keyword as the value of a URL query parameter: its UTF-8 bytes, every byte outside
// A-Z a-z 0-9 - . _ ~ written as %XX with uppercase digits. A surrogate pair becomes one
// four-byte sequence; a lone surrogate becomes U+FFFD. Empty in, empty out.
std::string PercentEncodeQuery(std::u16string_view keyword);

}  // namespace Module1
