// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/proxy_route.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "web/system_proxy.h"

namespace Module1 {
namespace {

constexpr auto kPoll = std::chrono::milliseconds(20);
// The variables through which libcurl takes a proxy from the environment (it reads http_proxy in
// lower case only, since a CGI program's HTTP_PROXY comes from a request header).
constexpr const char* kProxyVariables[] = {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                           "ALL_PROXY"};
constexpr const char* kNoProxyVariables[] = {"no_proxy", "NO_PROXY"};

// Lookups given up on and still running: a script address that never answers. While one runs,
// the system is taken to be stuck, and fetches go direct at once instead of waiting again.
std::atomic<int> g_stuck = 0;

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

std::string Origin(const std::string& url) {
  const std::size_t start = url.find("://");
  if (start == std::string::npos) return url;
  return url.substr(0, url.find_first_of("/?#", start + 3));
}

struct Lookup {
  std::mutex mutex;
  std::condition_variable answered;
  std::optional<ProxyList> ways;
  bool abandoned = false;
};

ProxyList LookUp(const std::string& url, std::chrono::milliseconds wait,
                 const std::function<bool()>& cancelled) {
  if (g_stuck > 0) return {""};
  auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, url] {
      ProxyList ways = SystemProxiesFor(url);
      const std::lock_guard lock(lookup->mutex);
      lookup->ways = std::move(ways);
      if (lookup->abandoned) --g_stuck;
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
  if (lookup->ways && !lookup->ways->empty()) return *lookup->ways;
  if (lookup->ways) return {""};
  lookup->abandoned = true;
  ++g_stuck;
  return {""};
}

}  // namespace

std::optional<ProxyList> DecideProxies(const std::string& url, std::chrono::milliseconds wait,
                                       const std::function<bool()>& cancelled,
                                       ProxyDecisions* decisions) {
  if (EnvironmentNamesProxy()) return std::nullopt;
  if (EnvironmentBypassesAll()) return ProxyList{""};
  const std::string origin = Origin(url);
  if (decisions != nullptr) {
    if (const auto known = decisions->find(origin); known != decisions->end()) return known->second;
  }
  ProxyList ways = LookUp(url, wait, cancelled);
  if (decisions != nullptr) decisions->emplace(origin, ways);
  return ways;
}

}  // namespace Module1
