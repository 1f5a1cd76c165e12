// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/module1.h"

#include <curl/curl.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <utility>

#include "web/page_source.h"
#include "web/proxy_route.h"

namespace Module1 {
namespace {

constexpr long kMaxRedirects = 10;
constexpr char kProtocols[] = "http,https";
constexpr char kUserAgent[] = "Quillon/" QUILLON_VERSION_SHORT;
constexpr char kExtraHeader[] = "If-Modified-Since: 0";
constexpr char16_t kReplacement = 0xFFFD;
// How often a transfer looks at its cancellation flag and its slow-span limit while it waits.
constexpr int kPollMs = 50;

// The cancellation flag, the proxy decisions and what is left of the budget of the innermost
// FetchScope of this thread.
thread_local const std::atomic<bool>* t_cancelled = nullptr;
thread_local ProxyDecisions* t_proxies = nullptr;
thread_local std::size_t* t_left = nullptr;

bool Cancelled() { return t_cancelled != nullptr && t_cancelled->load(); }

// One connection cache for the whole program, so that the four result pages of a search, and the
// pages after them, travel over one connection. libcurl asks for a lock per kind of shared data.
class Network final {
 public:
  Network() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    m_share = curl_share_init();
    curl_share_setopt(m_share, CURLSHOPT_LOCKFUNC, &Network::Lock);
    curl_share_setopt(m_share, CURLSHOPT_UNLOCKFUNC, &Network::Unlock);
    curl_share_setopt(m_share, CURLSHOPT_USERDATA, this);
    curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  }
  Network(const Network&) = delete;
  Network& operator=(const Network&) = delete;
  // Left to the process's end on purpose: a fetch on another thread may still hold the share when
  // static destructors run, and the operating system reclaims the sockets anyway.
  ~Network() = default;

  static Network& Instance() {
    static Network* network = new Network;
    return *network;
  }
  CURLSH* Share() const { return m_share; }

 private:
  static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<Network*>(self)->m_locks[static_cast<std::size_t>(data)].lock();
  }
  static void Unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<Network*>(self)->m_locks[static_cast<std::size_t>(data)].unlock();
  }

  CURLSH* m_share = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> m_locks;
};

// libcurl refuses a URL with a blank in it, and a server may refuse other bytes; those are
// escaped, everything else (the percent sign included) is sent as it stands.
bool NeedsEscapeInRequestLine(unsigned char c) {
  return c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}", c) != nullptr;
}

std::string EscapeForRequestLine(const std::string& url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(url.size());
  for (const unsigned char c : url) {
    if (!NeedsEscapeInRequestLine(c)) {
      out += static_cast<char>(c);
      continue;
    }
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
  }
  return out;
}

// Where the response on `curl` redirects to: a 3xx status with a Location that is not empty, as
// libcurl follows one, resolved against the address asked for; "" when it is no redirect.
std::string RedirectOf(CURL* curl) {
  long status = 0;
  curl_header* location = nullptr;
  const char* asked = nullptr;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  if (status < 300 || status > 399 ||
      curl_easy_header(curl, "Location", 0, CURLH_HEADER, -1, &location) != CURLHE_OK ||
      *location->value == '\0' ||
      curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &asked) != CURLE_OK || asked == nullptr)
    return {};
  return Resolved(asked, location->value);
}

struct Body {
  CURL* curl;
  std::string bytes;
  std::size_t limit;
  std::optional<bool> redirect;  // known from the first write on, when the headers are in
};

// Counts bytes after decompression, so a small gzip body that inflates without end is cut off. A
// redirect's body is read to its end, so that the connection serves the next request, and
// dropped: it is no page.
size_t WriteBody(char* data, size_t size, size_t count, void* userdata) {
  auto* body = static_cast<Body*>(userdata);
  const size_t n = size * count;
  if (!body->redirect) body->redirect = !RedirectOf(body->curl).empty();
  if (*body->redirect) return n;
  if (n > body->limit - body->bytes.size()) return CURL_WRITEFUNC_ERROR;
  // Nothing may unwind through libcurl's C frames: a failed allocation ends the transfer instead.
  try {
    body->bytes.append(data, n);
  } catch (...) {
    return CURL_WRITEFUNC_ERROR;
  }
  return n;
}

struct CurlEasyDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct CurlListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct CurlMultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

void SetOptions(CURL* curl, const std::string& url, const FetchLimits& limits, curl_slist* headers,
                Body* body) {
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(curl, CURLOPT_SHARE, Network::Instance().Share());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, kProtocols);
  curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.total.count()));
  // libcurl reads 0 as no limit; the write callback refuses every byte past a limit of 0 anyway.
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                   static_cast<curl_off_t>(std::max<std::size_t>(limits.maxBody, 1)));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, body);
  // The resolver's thread is left to end on its own: a DNS server that never answers cannot
  // then hold a fetch past its connect limit or a cancel.
  curl_easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L);
#ifdef _WIN32
  // As Windows' own HTTP stack: a revocation server that cannot be reached (often the case behind
  // a proxy) does not fail the certificate.
  curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
  // Windows 7 speaks TLS 1.2 only to a program that asks for it (its own default stops at 1.0,
  // which servers no longer take); later Windows offer 1.2 and up anyway.
  curl_easy_setopt(curl, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
#endif
}

// `proxy` as the way to go ("" direct), and the proxy's login: the one in its address, or on
// Windows, for an HTTP proxy, the signed-in user's through SSPI, as Windows' own HTTP stack logs
// in.
void SetProxy(CURL* curl, const std::string& proxy) {
  curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
  if (!PartsOf(proxy).user.empty()) {
    curl_easy_setopt(curl, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
    return;
  }
#ifdef _WIN32
  if (!proxy.starts_with("http")) return;  // SOCKS knows no Negotiate or NTLM
  curl_easy_setopt(curl, CURLOPT_PROXYAUTH, CURLAUTH_NEGOTIATE | CURLAUTH_NTLM);
  curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, ":");
#endif
}

// Drives one transfer to its end, looking at the cancellation flag and the slow-span limit every
// kPollMs; CURLE_OK only when a complete response arrived.
CURLcode Transfer(CURLM* multi, const Body& body, const FetchLimits& limits) {
  auto spanStart = std::chrono::steady_clock::now();
  std::size_t spanBytes = 0;
  for (int running = 1; running;) {
    if (Cancelled() || curl_multi_perform(multi, &running) != CURLM_OK)
      return CURLE_ABORTED_BY_CALLBACK;
    const auto now = std::chrono::steady_clock::now();
    if (now - spanStart >= limits.slowSpan) {
      if (body.bytes.size() - spanBytes < limits.slowBytes) return CURLE_OPERATION_TIMEDOUT;
      spanStart = now;
      spanBytes = body.bytes.size();
    }
    if (running) curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr);
  }
  int left = 0;
  const CURLMsg* message = curl_multi_info_read(multi, &left);
  if (message == nullptr || message->msg != CURLMSG_DONE) return CURLE_RECV_ERROR;
  return message->data.result;
}

// True when a transfer failed before it reached anyone: the next way of the list may do better.
// libcurl reports a SOCKS proxy's unknown name as the host's.
bool Unreached(CURL* curl, CURLcode result, bool viaProxy) {
  if (result == CURLE_COULDNT_RESOLVE_PROXY || result == CURLE_COULDNT_CONNECT ||
      result == CURLE_PROXY || (viaProxy && result == CURLE_COULDNT_RESOLVE_HOST)) {
    return true;
  }
  curl_off_t connected = 0;
  curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connected);
  return result == CURLE_OPERATION_TIMEDOUT && connected == 0;
}

struct Attempt {
  CURLcode result;
  bool unreached;
  std::string body;
  std::string redirect;  // where a redirect leads, or empty
};

// One transfer of `url`, through `proxy` when given (nullptr: as the environment says).
Attempt FetchOnce(const std::string& url, const std::string* proxy, const FetchLimits& limits) {
  std::unique_ptr<CURL, CurlEasyDeleter> curl(curl_easy_init());
  std::unique_ptr<CURLM, CurlMultiDeleter> multi(curl_multi_init());
  std::unique_ptr<curl_slist, CurlListDeleter> headers(curl_slist_append(nullptr, kExtraHeader));
  if (!curl || !multi || !headers) return {CURLE_OUT_OF_MEMORY, false, {}, {}};
  Body body{curl.get(), {}, limits.maxBody, std::nullopt};
  SetOptions(curl.get(), EscapeForRequestLine(url), limits, headers.get(), &body);
  if (proxy != nullptr) SetProxy(curl.get(), *proxy);
  curl_multi_add_handle(multi.get(), curl.get());
  CURLcode result = Transfer(multi.get(), body, limits);
  curl_multi_remove_handle(multi.get(), curl.get());
  std::string redirect = RedirectOf(curl.get());
  // A redirect's body is no page: one that cannot even be decoded still leads on.
  if (!redirect.empty() && result == CURLE_BAD_CONTENT_ENCODING) result = CURLE_OK;
  const bool viaProxy = proxy != nullptr && !proxy->empty();
  return {result, Unreached(curl.get(), result, viaProxy), std::move(body.bytes),
          std::move(redirect)};
}

// One request of `url` the way the proxy list says: each way in turn while the one before could
// not be reached, each with what the fetch begun at `start` has left of its limits.
Attempt FetchOneWay(const std::string& url, const FetchLimits& limits,
                    std::chrono::steady_clock::time_point start) {
  const auto ways = ProxiesFor(url, limits.connect);
  Attempt attempt{CURLE_ABORTED_BY_CALLBACK, false, {}, {}};
  for (std::size_t i = 0; i < (ways ? ways->size() : 1) && !Cancelled(); ++i) {
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    if (spent >= limits.total) return {CURLE_OPERATION_TIMEDOUT, false, {}, {}};
    FetchLimits left = limits;
    left.total = limits.total - spent;
    left.connect = std::min(limits.connect, left.total);
    attempt = FetchOnce(url, ways ? &(*ways)[i] : nullptr, left);
    if (attempt.result == CURLE_OK || !attempt.unreached) break;
  }
  return attempt;
}

// The raw body of one complete response, or empty bytes on any failure or cancellation. Redirects
// are followed here, not by libcurl, so that each address goes the way the system says for it; at
// most kMaxRedirects of them, and only to http and https (libcurl takes no other protocol).
std::string FetchBody(std::string url, const FetchLimits& limits) {
  if (Cancelled()) return {};
  const auto start = std::chrono::steady_clock::now();
  for (long hop = 0; hop <= kMaxRedirects; ++hop) {
    Attempt attempt = FetchOneWay(url, limits, start);
    if (attempt.result != CURLE_OK || Cancelled()) return {};
    if (attempt.redirect.empty()) return std::move(attempt.body);
    url = std::move(attempt.redirect);
  }
  return {};
}

// ICU's table converters substitute U+001A for bytes they cannot map; the page should show the
// usual replacement character instead, one per undecodable sequence.
void SubstituteReplacement(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                           UConverterCallbackReason reason, UErrorCode* error) {
  if (reason > UCNV_IRREGULAR) return;
  *error = U_ZERO_ERROR;
  ucnv_cbToUWriteUChars(args, reinterpret_cast<const UChar*>(&kReplacement), 1, 0, error);
}

struct ConverterDeleter {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterDeleter>;

Converter OpenConverter(const char* name) {
  UErrorCode error = U_ZERO_ERROR;
  Converter converter(ucnv_open(name, &error));
  if (U_FAILURE(error)) return nullptr;
  return converter;
}

// `bytes` converted from `charset` to UTF-8; empty text when ICU cannot do it at all, or when the
// text would be longer than `limit`.
std::string ConvertToUtf8(std::string_view bytes, const char* charset, std::size_t limit) {
  Converter source = OpenConverter(charset);
  Converter utf8 = OpenConverter("UTF-8");
  if (!source || !utf8) return {};
  UErrorCode error = U_ZERO_ERROR;
  ucnv_setToUCallBack(source.get(), &SubstituteReplacement, nullptr, nullptr, nullptr, &error);
  // Each input byte yields at most one UTF-16 unit, which takes at most three UTF-8 bytes. Room
  // for all of it is reserved, not written: the process holds only the pages that the text fills.
  std::string out;
  out.reserve(std::min(limit, bytes.size() * 3));
  std::array<char, 16384> chunk;
  std::array<UChar, 1024> pivot;
  UChar *pivotSource = pivot.data(), *pivotTarget = pivot.data();
  const char* input = bytes.data();
  bool first = true;
  do {
    error = U_ZERO_ERROR;
    char* target = chunk.data();
    ucnv_convertEx(utf8.get(), source.get(), &target, chunk.data() + chunk.size(), &input,
                   bytes.data() + bytes.size(), pivot.data(), &pivotSource, &pivotTarget,
                   pivot.data() + pivot.size(), std::exchange(first, false), true, &error);
    const auto written = static_cast<std::size_t>(target - chunk.data());
    if (written > limit - out.size()) return {};
    out.append(chunk.data(), written);
  } while (error == U_BUFFER_OVERFLOW_ERROR);
  if (U_FAILURE(error)) return {};
  return out;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

void InitNetwork() { Network::Instance(); }

FetchScope::FetchScope(const std::atomic<bool>& cancelled, std::size_t budget)
    : m_previousCancelled(t_cancelled),
      m_previousProxies(t_proxies),
      m_previousLeft(t_left),
      m_left(budget) {
  t_cancelled = &cancelled;
  t_proxies = &m_proxies;
  t_left = &m_left;
}

FetchScope::~FetchScope() {
  t_cancelled = m_previousCancelled;
  t_proxies = m_previousProxies;
  t_left = m_previousLeft;
}

std::optional<ProxyList> ProxiesFor(const std::string& url, std::chrono::milliseconds wait) {
  return DecideProxies(url, wait, &Cancelled, t_proxies);
}

std::string FetchPage(const std::string& url, bool asynchronous) {
  return FetchPage(url, asynchronous, FetchLimits{});
}

std::string FetchPage(const std::string& url, bool /*asynchronous*/, const FetchLimits& limits) {
  FetchLimits within = limits;
  if (t_left != nullptr) within.maxBody = std::min(within.maxBody, *t_left);
  // A page that finds no memory for itself is a failed page, as one over its limit is.
  try {
    std::string text = DecodeResponse(FetchBody(url, within), within.maxBody);
    if (t_left != nullptr) *t_left -= text.size();
    return text;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

bool DetectUtf8(std::string_view body) {
  const auto* b = reinterpret_cast<const unsigned char*>(body.data());
  const std::size_t n = body.size();
  if (n < 3) return false;
  if (body.substr(0, 3) == kUtf8Bom) return true;
  const auto continuation = [&](std::size_t k) { return (b[k] & 0xC0) == 0x80; };
  std::size_t i = 0;
  std::size_t ascii = 0;
  while (i < n) {
    if (b[i] < 0x80) {
      // Catalogue pages are mostly markup: skip eight ASCII bytes at a time.
      std::uint64_t word;
      while (i + 8 <= n && (std::memcpy(&word, b + i, 8), (word & 0x8080808080808080ull) == 0)) {
        i += 8;
        ascii += 8;
      }
      if (i < n && b[i] < 0x80) {
        ++i;
        ++ascii;
      }
      continue;
    }
    if (i + 1 < n && (b[i] & 0xE0) == 0xC0 && continuation(i + 1)) {
      i += 2;
    } else if (i + 2 >= n) {
      return false;
    } else if ((b[i] & 0xF0) == 0xE0 && continuation(i + 1) && continuation(i + 2)) {
      i += 3;
    } else if (i + 3 < n && b[i] >= 0xF0 && b[i] <= 0xF4 && continuation(i + 1) &&
               continuation(i + 2) && continuation(i + 3)) {
      i += 4;
    } else {
      return false;
    }
  }
  return ascii != n;
}

std::string DecodeResponse(std::string_view body, std::size_t maxText) {
  if (body.empty()) return {};
  std::string text = ConvertToUtf8(body, DetectUtf8(body) ? "UTF-8" : "GB18030", maxText);
  if (std::string_view(text).substr(0, 3) == kUtf8Bom) text.erase(0, 3);
  return text;
}

std::string PercentEncodeQuery(std::u16string_view keyword) {
  if (keyword.empty()) return {};
  UErrorCode error = U_ZERO_ERROR;
  const auto* units = reinterpret_cast<const UChar*>(keyword.data());
  const auto length = static_cast<int32_t>(keyword.size());
  int32_t needed = 0;
  u_strToUTF8WithSub(nullptr, 0, &needed, units, length, kReplacement, nullptr, &error);
  std::string utf8(static_cast<std::size_t>(needed), '\0');
  error = U_ZERO_ERROR;
  u_strToUTF8WithSub(utf8.data(), needed, &needed, units, length, kReplacement, nullptr, &error);
  if (U_FAILURE(error)) return {};
  char* escaped = curl_easy_escape(nullptr, utf8.data(), static_cast<int>(utf8.size()));
  if (escaped == nullptr) return {};
  std::string out(escaped);
  curl_free(escaped);
  return out;
}

}  // namespace Module1

PageSource NetworkPageSource() {
  return [](const std::string& url) { return Module1::FetchPage(url, false); };
}
