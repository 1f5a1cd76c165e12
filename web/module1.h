// SPDX-License-Identifier: GPL-3.0-or-later
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
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Module1 {

// How long a fetch may take and how much it may bring back, chosen for a user who waits in front
// of a window. Reaching any limit is a failure of the fetch, so it returns empty text. Tests pass
// shorter ones.
struct FetchLimits {
  std::chrono::milliseconds connect{10'000};  // to establish the connection
  std::chrono::seconds slowSpan{15};          // a page that brings less than `slowBytes` ...
  std::size_t slowBytes = 1024;               // ... in any such span is ended
  std::chrono::milliseconds total{30'000};    // for the whole request, redirects included
  std::size_t maxBody = 16u << 20;  // body bytes once decompressed, and text bytes once decoded
};

// What the fetches of one user action may bring in all: the texts of a search's four pages
// together, or of one entry page, or of one link page. Real result pages are tens of KB. A page
// may have what the pages before it left; one that needs more fails as one over its own limit.
inline constexpr std::size_t kActionBudget = 16u << 20;

// The ways to reach an address, in the order to try them: "" is a direct connection, anything else
// a proxy as libcurl takes it. And the ways decided for one user action, by scheme://host:port.
using ProxyList = std::vector<std::string>;
using ProxyDecisions = std::map<std::string, ProxyList>;

// The fetches of one user action (a search, a detail window's load, a copy), made on the
// constructing thread while it lives. They end soon after `cancelled` becomes true, with empty
// text as any failed fetch, and fetches begun after that end at once: this is how a window that is
// being closed stops the fetch its worker thread waits on. Together they bring at most `budget`
// bytes of text: each fetch may have what the ones before it left, as the caller keeps their
// texts. And they ask the system which proxy to use once per host: the four result pages of a
// search run a proxy script once, and a change of the system's settings applies from the next
// action on.
class FetchScope final {
 public:
  explicit FetchScope(const std::atomic<bool>& cancelled, std::size_t budget = kActionBudget);
  ~FetchScope();
  FetchScope(const FetchScope&) = delete;
  FetchScope& operator=(const FetchScope&) = delete;

 private:
  const std::atomic<bool>* const m_previousCancelled;
  ProxyDecisions* const m_previousProxies;
  std::size_t* const m_previousLeft;
  ProxyDecisions m_proxies;
  std::size_t m_left;
};

// Makes the network layer ready. Call once from main() before any thread fetches; FetchPage also
// does it on first use, so tests need not.
void InitNetwork();

// The ways a fetch of `url` made now would try, in order; std::nullopt when a proxy variable of the
// environment (http_proxy, https_proxy, all_proxy) names the proxy, which libcurl then reads as it
// always has. Otherwise the user's system decides (Internet Options on Windows, the desktop's
// settings on Linux), once per host within a FetchScope. A system that gives no answer within
// `wait` (a proxy script that does not come) means a direct connection.
std::optional<ProxyList> ProxiesFor(const std::string& url, std::chrono::milliseconds wait);

// One HTTP GET of `url`, with the extra header "If-Modified-Since: 0", returning the body decoded
// by DecodeResponse. The status code is never examined: a 404 page with a body is a page.
// Returns empty text on every failure: no connection, a limit reached (the action's budget too),
// an incomplete response, an empty body, a cancellation (FetchScope), memory running out. It goes
// the way ProxiesFor says: each proxy of the list in turn while the one before cannot be reached
// (refused, unknown, or silent for the connect limit), all within the one fetch's limits; https
// through an HTTP proxy with CONNECT; a proxy's login from the credentials in its address (on
// Windows also the signed-in user's, for Negotiate and NTLM). Redirects are followed (at most 10,
// http and https only), each address going the way ProxiesFor says for it; compressed bodies are
// accepted; characters that may not stand in a request line are percent-encoded when sent.
// Consecutive fetches to one server reuse its connection. Safe to call from any thread.
// `asynchronous` is accepted for the callers' sake; every request is synchronous.
std::string FetchPage(const std::string& url, bool asynchronous);
std::string FetchPage(const std::string& url, bool asynchronous, const FetchLimits& limits);

// True when `body` is to be read as UTF-8: it begins with the byte-order mark EF BB BF, or it
// holds at least one multi-byte sequence and the scan meets no byte that breaks the sequence
// rules before the end. Bodies shorter than three bytes and pure ASCII give false.
bool DetectUtf8(std::string_view body);

// `body` decoded as UTF-8 when DetectUtf8 says so, otherwise as GB18030 (which reads GBK and
// GB 2312), returned as valid UTF-8 with a leading byte-order mark dropped. Every byte that cannot
// be decoded becomes U+FFFD; it never takes a following ASCII byte with it. Empty text when the
// text would be longer than `maxText` bytes; the memory it takes is what the text needs, as it is
// written.
std::string DecodeResponse(std::string_view body, std::size_t maxText = SIZE_MAX);

// The keyword as the value of a URL query parameter: its UTF-8 bytes, every byte outside
// A-Z a-z 0-9 - . _ ~ written as %XX with uppercase digits. A surrogate pair becomes one
// four-byte sequence; a lone surrogate becomes U+FFFD. Empty in, empty out.
std::string PercentEncodeQuery(std::u16string_view keyword);

}  // namespace Module1
