// SPDX-License-Identifier: GPL-3.0-or-later
// The proxies the user's system names for a URL: Internet Options on Windows (WinHTTP), the
// desktop's settings on Linux (libproxy: GNOME, KDE, a script where a runner is installed).
//
//   for (const std::string& proxy : SystemProxiesFor("http://catalogue.example/entry/a1/", 10s))
//     Try(proxy);   // "" is a direct connection
//
// One implementation per platform, chosen when the program is built; nothing else knows which.
#pragma once

#include <chrono>
#include <string>
#include <vector>

// The ways to reach `url`, in the order to try them: "" for a direct connection, otherwise a
// proxy as libcurl takes it ("http://host:port", "socks5h://host:port", with "user:password@"
// where a login belongs to that proxy: the desktop's HTTP-proxy login on the HTTP proxy of an
// http address, never on a SOCKS proxy). Never empty: direct when the system names no proxy or
// cannot be read. May block for as long as the system takes to fetch and run a script or to
// detect one, so it is called off the user-interface thread and may be given up on; where the
// system takes a time-out for its script (Windows), it is kept below `wait`, so that the fixed
// proxy still serves within the wait. Safe to call from several threads; a lookup that hangs does
// not hold the next one.
std::vector<std::string> SystemProxiesFor(const std::string& url, std::chrono::milliseconds wait);
