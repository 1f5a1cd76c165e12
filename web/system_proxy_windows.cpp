// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/system_proxy.h"

// clang-format off
#include <windows.h>
#include <winhttp.h>
// clang-format on

#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "web/proxy_route.h"

namespace {

constexpr wchar_t kAgent[] = L"Quillon";
// How long WinHTTP may take over a script address (resolve, connect, send, receive), in ms; the
// fetch waits no longer than its own connect limit anyway.
constexpr int kScriptTimeoutMs = 10'000;

struct GlobalDeleter {
  void operator()(wchar_t* text) const { GlobalFree(text); }
};
using GlobalText = std::unique_ptr<wchar_t, GlobalDeleter>;

struct InternetDeleter {
  void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};

// A setting as UTF-8, as libcurl takes a proxy's address.
std::string Narrow(const wchar_t* text) {
  if (text == nullptr) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  out.pop_back();  // the terminating NUL
  return out;
}

std::wstring Widen(const std::string& text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  if (size <= 1) return {};
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), size);
  out.pop_back();  // the terminating NUL
  return out;
}

// Entries of a list that Internet Options separates with ';' (WinHTTP also with blanks).
std::vector<std::string> Entries(const std::string& list) {
  std::vector<std::string> entries;
  std::string entry;
  for (const char c : list + ";") {
    if (c != ';' && c != ' ' && c != '\t' && c != '\r' && c != '\n') {
      entry += c;
    } else if (!entry.empty()) {
      entries.push_back(std::exchange(entry, {}));
    }
  }
  return entries;
}

// `text` against a bypass pattern, case-insensitive, where '*' stands for any run of characters.
bool Matches(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return text.empty();
  if (pattern[0] == '*') {
    for (std::size_t i = 0; i <= text.size(); ++i) {
      if (Matches(text.substr(i), pattern.substr(1))) return true;
    }
    return false;
  }
  return !text.empty() && text[0] == pattern[0] && Matches(text.substr(1), pattern.substr(1));
}

// The bypass list of Internet Options: host patterns with '*', each maybe with a scheme or a
// port; "<local>" for every name without a dot.
bool Bypassed(const Module1::UrlParts& target, const std::string& bypass) {
  for (std::string entry : Entries(Module1::AsciiLower(bypass))) {
    if (entry == "<local>") {
      if (target.host.find_first_of(".:") == std::string::npos) return true;
      continue;
    }
    if (const std::size_t scheme = entry.find("://"); scheme != std::string::npos) {
      if (entry.substr(0, scheme) != target.scheme) continue;
      entry = entry.substr(scheme + 3);
    }
    if (Matches(target.host, entry) || Matches(target.host + ":" + target.port, entry)) return true;
  }
  return false;
}

// A proxy entry of Internet Options as libcurl takes it: plain entries are HTTP proxies.
std::string ForCurl(const std::string& proxy, bool socks) {
  if (proxy.find("://") != std::string::npos) return proxy;
  return (socks ? "socks5h://" : "http://") + proxy;
}

// The fixed proxy of Internet Options for `target`: one for every scheme ("host:port"), or one
// per scheme ("http=a:1;https=b:2;socks=c:3"), where SOCKS serves a scheme that has none of its
// own.
std::vector<std::string> FixedProxy(const Module1::UrlParts& target, const std::string& proxy) {
  std::string all, own, socks;
  for (const std::string& entry : Entries(proxy)) {
    const std::size_t equals = entry.find('=');
    if (equals == std::string::npos) {
      if (all.empty()) all = entry;
      continue;
    }
    const std::string scheme = Module1::AsciiLower(entry.substr(0, equals));
    if (scheme == target.scheme && own.empty()) own = entry.substr(equals + 1);
    if (scheme == "socks" && socks.empty()) socks = entry.substr(equals + 1);
  }
  if (!own.empty()) return {ForCurl(own, false)};
  if (!all.empty()) return {ForCurl(all, false)};
  if (!socks.empty()) return {ForCurl(socks, true)};
  return {""};
}

// What a script or automatic detection says for `url`, or nothing when neither gives an answer.
std::optional<std::vector<std::string>> ScriptProxies(const std::string& url, bool detect,
                                                      const wchar_t* script) {
  std::unique_ptr<void, InternetDeleter> session(
      WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0));
  if (!session) return std::nullopt;
  WinHttpSetTimeouts(session.get(), kScriptTimeoutMs, kScriptTimeoutMs, kScriptTimeoutMs,
                     kScriptTimeoutMs);
  const std::wstring wide = Widen(url);
  // Detection first and then the script address, as Internet Explorer tries them.
  for (const DWORD flag : {WINHTTP_AUTOPROXY_AUTO_DETECT, WINHTTP_AUTOPROXY_CONFIG_URL}) {
    if ((flag == WINHTTP_AUTOPROXY_AUTO_DETECT && !detect) ||
        (flag == WINHTTP_AUTOPROXY_CONFIG_URL && script == nullptr)) {
      continue;
    }
    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.dwFlags = flag;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    options.lpszAutoConfigUrl = script;
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info{};
    if (!WinHttpGetProxyForUrl(session.get(), wide.c_str(), &options, &info)) continue;
    const GlobalText proxy(info.lpszProxy), bypass(info.lpszProxyBypass);
    if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || !proxy)
      return std::vector<std::string>{""};
    std::vector<std::string> ways;
    for (const std::string& entry : Entries(Narrow(proxy.get())))
      ways.push_back(ForCurl(entry, false));
    if (ways.empty() || Bypassed(Module1::PartsOf(url), Narrow(bypass.get())))
      return std::vector<std::string>{""};
    return ways;
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> SystemProxiesFor(const std::string& url) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return {""};
  const GlobalText script(config.lpszAutoConfigUrl), proxy(config.lpszProxy),
      bypass(config.lpszProxyBypass);
  if (config.fAutoDetect || script) {
    if (auto ways = ScriptProxies(url, config.fAutoDetect, script.get())) return *ways;
  }
  // Without an answer from a script, the fixed proxy, as Internet Explorer falls back to it.
  const Module1::UrlParts target = Module1::PartsOf(url);
  if (!proxy || Bypassed(target, Narrow(bypass.get()))) return {""};
  return FixedProxy(target, Narrow(proxy.get()));
}
