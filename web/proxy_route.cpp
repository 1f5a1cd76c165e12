// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/proxy_route.h"

#include <curl/curl.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

#include "web/system_proxy.h"

namespace Module1 {
namespace {

constexpr auto kPoll = std::chrono::milliseconds(20);
// The variables through which libcurl takes a proxy from the environment (it reads http_proxy in
// lower case only, since a CGI program's HTTP_PROXY comes from a request header).
constexpr const char* kProxyVariables[] = {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                           "ALL_PROXY"};
constexpr const char* kNoProxyVariables[] = {"no_proxy", "NO_PROXY"};

// Lookups given up on and still running: a script address that never answers, whose download
// may have no time-out of its own. Later lookups still ask the system, which may have been set
// right meanwhile, until this many hang at once; then fetches go direct without asking, so that
// threads and memory stay bounded however often a lookup hangs.
constexpr int kMaxAbandoned = 4;
std::atomic<int> g_abandoned = 0;

std::string_view Variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

bool EnvironmentNamesProxy() {
  for (const char* name : kProxyVariables) {
    if (!Variable(name).empty()) return true;
  }
  return false;
}

bool EnvironmentBypassesAll() {
  for (const char* name : kNoProxyVariables) {
    if (Variable(name) == "*") return true;
  }
  return false;
}

// The unit decisions are kept for: scheme://host:port.
std::string Origin(const std::string& url) {
  const UrlParts parts = PartsOf(url);
  return parts.scheme.empty() ? url : parts.scheme + "://" + parts.host + ":" + parts.port;
}

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

std::string Part(CURLU* url, CURLUPart part, unsigned flags = 0) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, flags) != CURLUE_OK) return {};
  std::string out(text);
  curl_free(text);
  return out;
}

// The address as a browser hands it to a proxy script, which is code from the network: never a
// login or a fragment, and for https, whose path and query travel encrypted, nothing but
// scheme://host:port/.
std::string ScriptAddress(const std::string& url) {
  const std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
  if (!parsed ||
      curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), CURLU_ALLOW_SPACE) != CURLUE_OK)
    return {};
  for (const CURLUPart part :
       {CURLUPART_USER, CURLUPART_PASSWORD, CURLUPART_OPTIONS, CURLUPART_FRAGMENT}) {
    curl_url_set(parsed.get(), part, nullptr, 0);
  }
  if (Part(parsed.get(), CURLUPART_SCHEME) == "https") {
    curl_url_set(parsed.get(), CURLUPART_PATH, "/", 0);
    curl_url_set(parsed.get(), CURLUPART_QUERY, nullptr, 0);
  }
  return Part(parsed.get(), CURLUPART_URL);
}

struct Lookup {
  std::mutex mutex;
  std::condition_variable answered;
  std::optional<ProxyList> ways;
  bool abandoned = false;
};

ProxyList LookUp(const std::string& url, std::chrono::milliseconds wait,
                 const std::function<bool()>& cancelled) {
  const std::string address = ScriptAddress(url);
  if (g_abandoned >= kMaxAbandoned || address.empty()) return {""};
  auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, address, wait] {
      ProxyList ways = SystemProxiesFor(address, wait);
      const std::lock_guard lock(lookup->mutex);
      lookup->ways = std::move(ways);
      if (lookup->abandoned) --g_abandoned;
      lookup->answered.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return {""};
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::unique_lock lock(lookup->mutex);
  while (!lookup->ways && !cancelled() && std::chrono::steady_clock::now() < deadline) {
    lookup->answered.wait_for(lock, kPoll);
  }
  if (lookup->ways) return *lookup->ways;
  lookup->abandoned = true;
  ++g_abandoned;
  return {""};
}

}  // namespace

std::string AsciiLower(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text;
}

UrlParts PartsOf(const std::string& url) {
  const std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
  if (!parsed ||
      curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), CURLU_ALLOW_SPACE) != CURLUE_OK)
    return {};
  UrlParts parts{Part(parsed.get(), CURLUPART_SCHEME), Part(parsed.get(), CURLUPART_HOST),
                 Part(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT)};
  parts.host = AsciiLower(std::move(parts.host));
  if (parts.host.starts_with('[')) parts.host = parts.host.substr(1, parts.host.size() - 2);
  return parts;
}

std::optional<ProxyList> DecideProxies(const std::string& url, std::chrono::milliseconds wait,
                                       const std::function<bool()>& cancelled,
                                       ProxyDecisions* decisions) {
  if (EnvironmentNamesProxy()) return std::nullopt;
  if (EnvironmentBypassesAll()) return ProxyList{""};
  if (decisions == nullptr) return LookUp(url, wait, cancelled);
  const std::string origin = Origin(url);
  if (const auto known = decisions->find(origin); known != decisions->end()) return known->second;
  return decisions->emplace(origin, LookUp(url, wait, cancelled)).first->second;
}

}  // namespace Module1
