// SPDX-License-Identifier: GPL-3.0-or-later
// Which way a fetch goes: through a proxy the environment names, as libcurl reads it, or else the
// ways the user's system names (SystemProxiesFor), which a script that never comes cannot make
// wait past the fetch's connect limit or a close.
//
//   ProxyDecisions decisions;   // one user action's fetches share them
//   std::optional<ProxyList> ways = DecideProxies(url, 10s, cancelled, &decisions);
//   if (!ways) { /* leave the proxy to libcurl and the environment */ }
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "web/module1.h"  // ProxyList, ProxyDecisions

namespace Module1 {

// The parts of `url` that proxy settings are matched against, as libcurl reads them: the scheme,
// the host in lower case (an IPv6 address without its brackets), the port, the scheme's when
// none is written, and the user of a login written in it. All empty when libcurl reads no such
// URL; any scheme is read (a proxy's socks5h:// too).
struct UrlParts {
  std::string scheme, host, port, user;
};
UrlParts PartsOf(const std::string& url);

// `proxy` without the login written in it; as it is when libcurl reads no URL there.
std::string WithoutLogin(const std::string& proxy);

// `reference` (a redirect's Location) resolved against `base`; empty when either is no URL.
std::string Resolved(const std::string& base, const std::string& reference);

// `text` with A-Z in lower case and nothing else changed: host names and settings compare so,
// whatever the user's locale (a Turkish one keeps 'I' from std::tolower).
std::string AsciiLower(std::string text);

// std::nullopt when the environment names a proxy (http_proxy, https_proxy, all_proxy in either
// case): libcurl then reads the environment as it always has. A no_proxy of "*" means direct for
// every host, without asking the system. Otherwise the system's ways for `url`, once per
// scheme://host:port in `decisions` (when given). The system sees the address as a browser shows
// it to a proxy script: without a login or a fragment, and for https only scheme://host:port/.
// A system whose script has not answered within `wait`, or by the time `cancelled()` turns true,
// gives what that system's own HTTP stack then uses (SystemProxiesFor: on Windows Internet
// Options' fixed proxy, else direct; on Linux direct); the next call asks the system afresh.
std::optional<ProxyList> DecideProxies(const std::string& url, std::chrono::milliseconds wait,
                                       const std::function<bool()>& cancelled,
                                       ProxyDecisions* decisions);

}  // namespace Module1
