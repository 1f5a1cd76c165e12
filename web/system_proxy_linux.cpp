// SPDX-License-Identifier: GPL-3.0-or-later
#include <proxy.h>

#include <mutex>
#include <string_view>

#include "web/system_proxy.h"

namespace {

// libproxy's factory may not be used by two threads at once: one factory, one lookup at a time. It
// lives to the process's end, like the network layer: a lookup given up on may still hold it, and
// freeing it unloads modules whose thread-local data a thread's exit would still clean up. It
// follows the desktop's settings as they change.
std::mutex g_factoryMutex;

pxProxyFactory* Factory() {
  static pxProxyFactory* const factory = px_proxy_factory_new();
  return factory;
}

// libproxy's names for libcurl's: SOCKS asks the proxy to resolve host names (socks5h), since the
// catalogue's name may be known only beyond the proxy.
std::string ForCurl(std::string_view proxy) {
  if (proxy.starts_with("direct://")) return "";
  for (const std::string_view socks5 : {"socks://", "socks5://"}) {
    if (proxy.starts_with(socks5)) return "socks5h://" + std::string(proxy.substr(socks5.size()));
  }
  if (proxy.starts_with("socks4://")) return "socks4a://" + std::string(proxy.substr(9));
  return std::string(proxy);
}

}  // namespace

std::vector<std::string> SystemProxiesFor(const std::string& url) {
  const std::lock_guard lock(g_factoryMutex);
  if (Factory() == nullptr) return {""};
  char** proxies = px_proxy_factory_get_proxies(Factory(), url.c_str());
  if (proxies == nullptr) return {""};
  std::vector<std::string> ways;
  for (char** proxy = proxies; *proxy != nullptr; ++proxy) ways.push_back(ForCurl(*proxy));
  px_proxy_factory_free_proxies(proxies);
  if (ways.empty()) ways.emplace_back();
  return ways;
}
