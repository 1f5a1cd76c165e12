// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/system_proxy.h"

// clang-format off
#include <windows.h>
#include <winhttp.h>
// clang-format on

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "web/proxy_route.h"

namespace {

constexpr wchar_t kAgent[] = L"Quillon";

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

// A proxy entry of Internet Options or of a script's answer as libcurl takes it: plain entries
// are HTTP proxies, "DIRECT" a direct connection, and Internet Options' SOCKS entry is SOCKS 4, as
// Windows' own HTTP stack speaks it (4a: the proxy resolves the catalogue's name).
std::string ForCurl(const std::string& proxy, bool socks) {
  if (Module1::AsciiLower(proxy) == "direct") return "";
  if (proxy.find("://") != std::string::npos) return proxy;
  return (socks ? "socks4a://" : "http://") + proxy;
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

// WinHTTP's answer for `url` with `options`, trying without the user's login first and with it
// only when the script's server asks for one, as WinHTTP's documentation tells.
bool AskWinHttp(HINTERNET session, const std::wstring& url, WINHTTP_AUTOPROXY_OPTIONS options,
                WINHTTP_PROXY_INFO* info) {
  options.fAutoLogonIfChallenged = FALSE;
  if (WinHttpGetProxyForUrl(session, url.c_str(), &options, info)) return true;
  if (GetLastError() != ERROR_WINHTTP_LOGIN_FAILURE) return false;
  options.fAutoLogonIfChallenged = TRUE;
  return WinHttpGetProxyForUrl(session, url.c_str(), &options, info);
}

// The options of each way WinHTTP finds a script, with only the fields that way allows:
// automatic detection (DHCP, then DNS), then the script address, as Internet Explorer tries them.
std::vector<WINHTTP_AUTOPROXY_OPTIONS> ScriptWays(bool detect, const wchar_t* script) {
  std::vector<WINHTTP_AUTOPROXY_OPTIONS> ways;
  if (detect) {
    WINHTTP_AUTOPROXY_OPTIONS& options = ways.emplace_back();
    options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  if (script != nullptr) {
    WINHTTP_AUTOPROXY_OPTIONS& options = ways.emplace_back();
    options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = script;
  }
  return ways;
}

// What a script or automatic detection says for `url`, or nothing when neither gives an answer.
std::optional<std::vector<std::string>> AskScript(const std::string& url, bool detect,
                                                  const std::wstring& script,
                                                  std::chrono::milliseconds wait) {
  std::unique_ptr<void, InternetDeleter> session(
      WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0));
  if (!session) return std::nullopt;
  // The four phases of a script's download together stay below the caller's wait.
  const int phase = static_cast<int>(wait.count() / 5);
  WinHttpSetTimeouts(session.get(), phase, phase, phase, phase);
  const std::wstring wide = Widen(url);
  for (const WINHTTP_AUTOPROXY_OPTIONS& options :
       ScriptWays(detect, script.empty() ? nullptr : script.c_str())) {
    WINHTTP_PROXY_INFO info{};
    if (!AskWinHttp(session.get(), wide, options, &info)) continue;
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

// Lookups of one script (or of detection) given up on and still running. Windows ends them in
// its own time, detection after its own time-outs, which WinHttpSetTimeouts does not shorten
// (Wine's never ends one): while this many hang for a script, its later lookups go straight to the
// fallback, so that threads stay bounded, and another script is still asked.
constexpr int kMaxHanging = 4;
std::mutex g_hangingMutex;
auto& g_hanging =
    *new std::map<std::wstring, int>;  // by script; never destroyed, as threads use it

struct Lookup {
  std::mutex mutex;
  std::condition_variable answered;
  bool done = false, abandoned = false;
  std::optional<std::vector<std::string>> ways;
};

// AskScript on a thread of its own, waited for until `wait` passes or `cancelled()`; nothing then.
std::optional<std::vector<std::string>> ScriptProxies(const std::string& url, bool detect,
                                                      const std::wstring& script,
                                                      std::chrono::milliseconds wait,
                                                      const std::function<bool()>& cancelled) {
  const std::wstring key = (detect ? L"detect " : L"") + script;
  {
    const std::lock_guard lock(g_hangingMutex);
    if (g_hanging[key] >= kMaxHanging) return std::nullopt;
  }
  auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, url, detect, script, wait, key] {
      auto ways = AskScript(url, detect, script, wait);
      const std::lock_guard lock(lookup->mutex);
      lookup->ways = std::move(ways);
      lookup->done = true;
      if (lookup->abandoned) {
        const std::lock_guard hanging(g_hangingMutex);
        --g_hanging[key];
      }
      lookup->answered.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::unique_lock lock(lookup->mutex);
  while (!lookup->done && !cancelled() && std::chrono::steady_clock::now() < deadline) {
    lookup->answered.wait_for(lock, std::chrono::milliseconds(20));
  }
  if (lookup->done) return lookup->ways;
  lookup->abandoned = true;
  const std::lock_guard hanging(g_hangingMutex);
  ++g_hanging[key];
  return std::nullopt;
}

}  // namespace

std::vector<std::string> SystemProxiesFor(const std::string& url, std::chrono::milliseconds wait,
                                          const std::function<bool()>& cancelled) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return {""};
  const GlobalText script(config.lpszAutoConfigUrl), proxy(config.lpszProxy),
      bypass(config.lpszProxyBypass);
  if (config.fAutoDetect || script) {
    if (auto ways =
            ScriptProxies(url, config.fAutoDetect, script ? script.get() : L"", wait, cancelled))
      return *ways;
  }
  // Without an answer from a script, in time or at all, the fixed proxy, as WinINet falls back.
  const Module1::UrlParts target = Module1::PartsOf(url);
  if (!proxy || Bypassed(target, Narrow(bypass.get()))) return {""};
  return FixedProxy(target, Narrow(proxy.get()));
}
