// SPDX-License-Identifier: GPL-3.0-or-later
#include <proxy.h>

#include <mutex>
#include <string_view>
#include <vector>

#include "web/proxy_route.h"
#include "web/system_proxy.h"

namespace {

// libproxy's factory may not be used by two threads at once, and a lookup may hang in it for
// good (its script download has no time-out): each lookup takes a factory no other lookup holds,
// making one when all are taken, so a hung lookup never holds the next. The callers bound how many
// lookups run at once, and so how many factories there are. Factories live to the process's end:
// freeing one unloads modules whose thread-local data a thread's exit would still clean up. Each
// follows the desktop's settings as they change.
std::mutex g_poolMutex;
// The factories no lookup holds; never destroyed, so that they stay reachable to the end.
auto& g_idle = *new std::vector<pxProxyFactory*>;

pxProxyFactory* TakeFactory() {
  const std::lock_guard lock(g_poolMutex);
  if (g_idle.empty()) return px_proxy_factory_new();
  pxProxyFactory* const factory = g_idle.back();
  g_idle.pop_back();
  return factory;
}

void GiveBack(pxProxyFactory* factory) {
  const std::lock_guard lock(g_poolMutex);
  g_idle.push_back(factory);
}

// libproxy's SOCKS names and libcurl's. SOCKS asks the proxy to resolve host names, since the
// catalogue's name may be known only beyond it; a plain socks:// is either version, offered as 5,
// then 4a, then 4, as the desktop's own resolver offers them.
constexpr std::pair<std::string_view, std::string_view> kSocks[] = {{"socks", "socks5h"},
                                                                    {"socks", "socks4a"},
                                                                    {"socks", "socks4"},
                                                                    {"socks5", "socks5h"},
                                                                    {"socks4", "socks4a"}};

// `proxy` as libcurl takes it, added to `ways`. libproxy puts the desktop's HTTP-proxy login on
// every proxy it names; as the desktop's own resolver, it is kept only on the HTTP proxy of an
// http address.
void AddForCurl(std::string_view proxy, bool httpAddress, std::vector<std::string>& ways) {
  if (proxy.starts_with("direct://")) return ways.emplace_back(), void();
  const std::string_view scheme = proxy.substr(0, proxy.find("://"));
  if (scheme == "http" && httpAddress) return ways.emplace_back(proxy), void();
  const std::string bare = Module1::WithoutLogin(std::string(proxy));
  const std::size_t before = ways.size();
  for (const auto& [from, to] : kSocks) {
    if (scheme == from) ways.push_back(std::string(to) + bare.substr(scheme.size()));
  }
  if (ways.size() == before) ways.push_back(bare);
}

}  // namespace

std::vector<std::string> SystemProxiesFor(const std::string& url, std::chrono::milliseconds) {
  pxProxyFactory* const factory = TakeFactory();
  if (factory == nullptr) return {""};
  char** proxies = px_proxy_factory_get_proxies(factory, url.c_str());
  GiveBack(factory);
  if (proxies == nullptr) return {""};
  std::vector<std::string> ways;
  for (char** proxy = proxies; *proxy != nullptr; ++proxy)
    AddForCurl(*proxy, url.starts_with("http:"), ways);
  px_proxy_factory_free_proxies(proxies);
  if (ways.empty()) ways.emplace_back();
  return ways;
}
