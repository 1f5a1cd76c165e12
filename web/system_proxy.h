// SPDX-License-Identifier: GPL-3.0-or-later
// The proxies the user's system names for a URL: Internet Options on Windows (WinHTTP), the
// desktop's settings on Linux (libproxy: GNOME, KDE, a script where a runner is installed).
//
//   for (const std::string& proxy : SystemProxiesFor(url, 10s, [] { return false; }))
//     Try(proxy);   // "" is a direct connection
//
// One implementation per platform, chosen when the program is built; nothing else knows which.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// The ways to reach `url`, in the order to try them: "" for a direct connection, otherwise a
// proxy as libcurl takes it ("http://host:port", "socks5h://host:port", with "user:password@"
// where a login belongs to that proxy: the desktop's HTTP-proxy login on the HTTP proxy of an
// http address, never on a SOCKS proxy). Never empty: direct when the system names no proxy or
// cannot be read. The system may take long to fetch and run a script or to detect one; the call
// returns within `wait`, or soon after `cancelled()` turns true, all the same, with what the
// system's own HTTP stack uses when its script gives no answer: on Windows the fixed proxy of
// Internet Options, or direct where none is set, as WinINet falls back; on Linux direct, as the
// desktop's own resolver does when its script fails. A lookup that overruns costs only the call
// that met it: the next one asks the system as it is then. Safe to call from several threads.
std::vector<std::string> SystemProxiesFor(const std::string& url, std::chrono::milliseconds wait,
                                          const std::function<bool()>& cancelled);
