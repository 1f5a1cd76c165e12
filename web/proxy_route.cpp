// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/proxy_route.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <string_view>
#include <utility>

#include "web/system_proxy.h"

namespace Module1 {
namespace {

// The variables through which libcurl takes a proxy from the environment (it reads http_proxy in
// lower case only, since a CGI program's HTTP_PROXY comes from a request header).
constexpr const char* kProxyVariables[] = {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                           "ALL_PROXY"};
constexpr const char* kNoProxyVariables[] = {"no_proxy", "NO_PROXY"};

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
using Url = std::unique_ptr<CURLU, UrlDeleter>;

// `text` as libcurl's URL parser reads it, any scheme; empty when it reads no URL there.
Url Parse(const char* text) {
  Url url(curl_url());
  constexpr unsigned kFlags = CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE;
  if (url && curl_url_set(url.get(), CURLUPART_URL, text, kFlags) != CURLUE_OK) url.reset();
  return url;
}

std::string Part(const Url& url, CURLUPart part, unsigned flags = 0) {
  char* text = nullptr;
  if (!url || curl_url_get(url.get(), part, &text, flags) != CURLUE_OK) return {};
  std::string out(text);
  curl_free(text);
  return out;
}

void Clear(const Url& url, std::initializer_list<CURLUPart> parts) {
  for (const CURLUPart part : parts) curl_url_set(url.get(), part, nullptr, 0);
}

// The address as a browser hands it to a proxy script, which is code from the network: never a
// login or a fragment, and for https, whose path and query travel encrypted, nothing but
// scheme://host:port/.
std::string ScriptAddress(const std::string& url) {
  const Url parsed = Parse(url.c_str());
  if (!parsed) return {};
  Clear(parsed, {CURLUPART_USER, CURLUPART_PASSWORD, CURLUPART_OPTIONS, CURLUPART_FRAGMENT});
  if (Part(parsed, CURLUPART_SCHEME) == "https") {
    Clear(parsed, {CURLUPART_QUERY});
    curl_url_set(parsed.get(), CURLUPART_PATH, "/", 0);
  }
  return Part(parsed, CURLUPART_URL);
}

ProxyList LookUp(const std::string& url, std::chrono::milliseconds wait,
                 const std::function<bool()>& cancelled) {
  const std::string address = ScriptAddress(url);
  if (address.empty()) return {""};
  return SystemProxiesFor(address, wait, cancelled);
}

}  // namespace

std::string WithoutLogin(const std::string& proxy) {
  const Url parsed = Parse(proxy.c_str());
  if (!parsed) return proxy;
  Clear(parsed, {CURLUPART_USER, CURLUPART_PASSWORD});
  std::string out = Part(parsed, CURLUPART_URL);
  if (out.ends_with('/') && !proxy.ends_with('/')) out.pop_back();  // the parser adds a path
  return out;
}

std::string Resolved(const std::string& base, const std::string& reference) {
  const Url parsed = Parse(base.c_str());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, reference.c_str(),
                              CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE) != CURLUE_OK)
    return {};
  return Part(parsed, CURLUPART_URL);
}

std::string AsciiLower(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text;
}

UrlParts PartsOf(const std::string& url) {
  const Url parsed = Parse(url.c_str());
  if (!parsed) return {};
  UrlParts parts{Part(parsed, CURLUPART_SCHEME), Part(parsed, CURLUPART_HOST),
                 Part(parsed, CURLUPART_PORT, CURLU_DEFAULT_PORT), Part(parsed, CURLUPART_USER)};
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
