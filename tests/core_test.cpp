// SPDX-License-Identifier: GPL-3.0-or-later
// The core without a display, as tables: bytes in and text out, keyword in and query out, URL in
// and request seen out, hostile server in and empty text within its limit out; the matcher's
// semantics, and the rows each step makes of fixture pages and hostile pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include "catalogue.h"
#include "detail/link_copy.h"
#include "detail/link_list.h"
#include "hostile_pages.h"
#include "search/keyword_search.h"
#include "test_server.h"
#include "web/module1.h"
#include "web/pattern_matcher.h"

// gtest's printer for the paths the matcher took, which it would show as bytes.
void PrintTo(const MatchPaths& p, std::ostream* out) {
  *out << "{window " << p.window << ", span " << p.span << ", RE2 groups " << p.re2Groups
       << ", RE2 alone " << p.re2Alone << "}";
}

namespace {

using namespace std::chrono_literals;
using Module1::DecodeResponse;
using Module1::FetchLimits;
using Module1::FetchPage;
using Mode = PatternMatcher::Mode;
using Strings = std::vector<std::string>;

const std::string kKb(4096, 'a');
const std::string kFinalLink = "ed2k://|file|a.avi|734003200|0123456789ABCDEF0123456789ABCDEF|/";

// Too short to judge; DEL is ASCII; overlong and surrogate forms pass the scan; GBK beyond
// GB 2312 and GB18030's four bytes; the byte-order mark decides whatever follows; a bad lead byte
// never takes the ASCII after it.
TEST(CharsetTest, BytesInTextOutKeywordInQueryOut) {
  const std::pair<std::string, bool> utf8[] = {
      {"\xC3\xA9", false},
      {"<html>abc</html>", false},
      {"\x7F中", true},
      {"abc\xE4\xB8", false},
      {"abc\x80xyz", false},
      {"ab\xC0\x80\xED\xA0\x80", true},
      {"ab\xF4\x8F\xBF\xBF", true},
      {"ab\xF5\x80\x80\x80", false},
      {kKb + "中" + kKb + "\xF0\x9F\x41\x80" + kKb, false}};
  for (const auto& [body, isUtf8] : utf8) EXPECT_EQ(Module1::DetectUtf8(body), isUtf8) << body;
  const std::pair<std::string, std::string> decoded[] = {
      {"<b>中\xF0\x9F\x98\x80</b>", "<b>中😀</b>"},
      {"<b>\xD6\xD0\x81\x40\x81\x30\x81\x30</b>", "<b>中丂\xC2\x80</b>"},
      {"\xEF\xBB\xBF\xFF<", "\xEF\xBF\xBD<"},
      {"\xEF\xBB\xBF<p>中</p>", "<p>中</p>"},
      {"\xC3\xA9", "茅"},
      {"\xD6\xD0\x81<a>\xFF", "中\xEF\xBF\xBD<a>\xEF\xBF\xBD"},
      {"abc\xE4\xB8", "abc涓"},
      {"\xC0\x80<", "\xEF\xBF\xBD\xEF\xBF\xBD<"}};
  for (const auto& [body, text] : decoded) EXPECT_EQ(DecodeResponse(body), text) << body;
  // Every decode gives its converters back, and every match its matcher's memory (a sanitizer
  // build also sees a leak at exit).
  const size_t before = HeapInUse();
  for (int i = 0; i < 2000; ++i) {
    ExtractResultRows(DecodeResponse(i % 2 ? kKb + "\xD6\xD0" : kKb + "中"));
  }
  EXPECT_LT(HeapInUse(), before + (64u << 10));
  // Keyword in, query out.
  const std::pair<std::u16string, std::string> keywords[] = {
      {u"", ""},
      {u"Az09-._~é\u07FF\u0800\uFFFF", "Az09-._~%C3%A9%DF%BF%E0%A0%80%EF%BF%BF"},
      {u"中 t&page=9#+%?/", "%E4%B8%AD%20t%26page%3D9%23%2B%25%3F%2F"},
      {u"😀a" + std::u16string(1, 0xDE00) + char16_t(0xD83D), "%F0%9F%98%80a%EF%BF%BD%EF%BF%BD"}};
  for (const auto& [keyword, query] : keywords)
    EXPECT_EQ(Module1::PercentEncodeQuery(keyword), query) << query;
}

Responder Redirect(const std::string& location) {
  return Page("", "302 Found", "Location: " + location + "\r\n");
}

// A path (served by the responder, if any) or a URL; the limits; the text; the target seen last.
using Row = std::tuple<std::string, Responder, FetchLimits, std::string, std::string>;

// URL in, request seen out: any status, ten redirects, one connection for all. Hostile server in,
// empty text within its limit out: each row's limit is short and the others beyond the test's
// time-out, so a limit that does not work fails; the last row cancels its own fetch.
TEST(FetchPageTest, UrlInTextAndRequestOut) {
  const std::string ok = "HTTP/1.1 200 OK\r\n", gzip = "Content-Encoding: gzip\r\n",
                    utf8 = "<b>中</b>";
  const auto drip = [ok](std::string bytes, std::chrono::milliseconds pause,
                         std::string first = "") {
    return [=](Connection& c, const Request&) {
      for (c.Send(ok + "Content-Length: 1000000\r\n\r\n" + first);
           c.Pause(pause) && c.Send(bytes);) {
      }
    };
  };
  const FetchLimits none{120s, 120s, 1, 120s, 64u << 20}, slow{120s, 1s, 1024, 120s, 64u << 20},
      body{120s, 120s, 1, 120s, 1u << 20};
  std::atomic<bool> cancel = false;
  const Row pages[] = {
      {"utf8", Page(utf8), none, utf8, "/utf8"},
      {"gbk", Page("<b>\xD6\xD0</b>", "404 Not Found"), none, utf8, "/gbk"},
      {"empty", Page(""), none, "", "/empty"},
      {"gzip", Page(ReadTestData("page.gz"), "200 OK", gzip), none, "<p>中</p>", "/gzip"},
      {"moved", Redirect("/utf8"), none, utf8, "/utf8"},
      {"hop/10", {}, none, "arrived", "/hop/0"},
      {"a b/中!\"<>\\^`{|}", {}, none, "any", "/a%20b/%E4%B8%AD!%22%3C%3E%5C%5E%60%7B%7C%7D"}};
  const Row hostile[] = {
      {"silent", Silent(), slow, "", ""},
      {"headers-only", drip("", 24h), slow, "", ""},
      {"drip-slow", drip("x", 2500ms), slow, "", ""},
      {"drip-steady", drip("xx", 100ms, kKb), slow, "", ""},
      {"drip-fast", drip(kKb, 100ms), {120s, 120s, 1, 1500ms, 64u << 20}, "", ""},
      {"endless",
       [ok](Connection& c, const Request&) {
         for (c.Send(ok + "Transfer-Encoding: chunked\r\n\r\n");
              c.Send("1000\r\n" + kKb + "\r\n");) {
         }
       },
       body, "", ""},
      {"bomb", Page(ReadTestData("bomb.gz"), "200 OK", gzip), body, "", ""},
      {"gbk-grows", Page(std::string(700 << 10, '\xD6')), body, "", ""},  // 1050 KiB decoded
      {"hop/11", {}, none, "", ""},
      {"loop", Redirect("/loop"), none, "", ""},
      {"to-file", Redirect("file:///etc/passwd"), none, "", ""},
      {"bad-status", Raw("HTTP/1.1 abc\r\n\r\nbody"), none, "", ""},
      {"not-http", Raw("SSH-2.0-OpenSSH_9.2\r\n"), none, "", ""},
      {"short-body", Raw(ok + "Content-Length: 1000\r\n\r\nonly ten b"), none, "", ""},
      {"huge-header", Raw(ok + "X-Big: " + std::string(4u << 20, 'a') + "\r\n\r\nbody"), none, "",
       ""},
      {TestServer({}).Url("refused"), {}, none, "", ""},
      {"http://catalogue" + std::string(kNeverResolves),
       {},
       {1s, 120s, 1, 120s, 64u << 20},
       "",
       ""},
      {"until-close", Raw(ok + "Connection: close\r\n\r\nbody until close"), none,
       "body until close", ""},
      // A redirect's body is no page: neither decoded nor counted.
      {"moved-broken", Page("not gzip", "302 Found", "Location: /utf8\r\n" + gzip), none, utf8, ""},
      {"moved-long",
       Raw("HTTP/1.1 301 Moved\r\nLocation: utf8\r\n\r\n" + std::string(2 << 20, 'x')), body, utf8,
       ""},
      {"cancelled",
       [&cancel](Connection& c, const Request& r) {
         cancel = true;
         Silent()(c, r);
       },
       none, "", ""}};
  constexpr std::size_t kLarge = 100 << 10;
  const auto results = [kLarge](Connection& c, const Request& r) {
    const bool small = r.Target().back() == '4';
    Page(std::string(small ? 0 : kLarge, ' ') + ReadTestData("results_page3.html"))(c, r);
  };
  std::map<std::string, Responder> routes = {
      {"", Page("any")}, {"/hop/0", Page("arrived")}, {"/search/entry/", results}};
  for (int n = 1; n <= 11; ++n)
    routes["/hop/" + std::to_string(n)] = Redirect(std::to_string(n - 1));
  for (const std::span<const Row> rows :
       {std::span<const Row>(pages), std::span<const Row>(hostile)}) {
    for (const auto& [path, answer, limits, text, seen] : rows) {
      if (answer) routes["/" + path] = answer;
    }
  }
  TestServer server(routes);
  for (const auto& [path, answer, limits, text, seen] : pages) {
    SCOPED_TRACE(path);
    EXPECT_EQ(FetchPage(server.Url(path), false, limits), text);
    EXPECT_EQ(server.Requests().back().Target(), seen);
  }
  for (const Request& r : server.Requests()) {
    EXPECT_NE(r.head.find("\r\nIf-Modified-Since: 0\r\n"), std::string::npos) << r.head;
    EXPECT_NE(r.head.find("\r\nUser-Agent: Quillon/" QUILLON_VERSION_SHORT "\r\n"),
              std::string::npos)
        << r.head;
    EXPECT_EQ(r.remotePort, server.Requests()[0].remotePort) << r.head;
  }
  {
    const Module1::FetchScope scope(cancel);
    for (const auto& [path, answer, limits, text, seen] : hostile) {
      SCOPED_TRACE(path);
      const auto start = std::chrono::steady_clock::now();
      EXPECT_EQ(FetchPage(path.starts_with("http") ? path : server.Url(path), false, limits), text);
      EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << "ran past its bound";
    }
  }
  EXPECT_EQ(FetchPage(server.Url("utf8"), false), utf8);  // an ended cancel scope cancels nothing
  // A search's pages share one budget, each having what the pages before it left: of three large
  // pages and a small one, the third is no page and the fourth is.
  const std::atomic<bool> never = false;
  const Module1::FetchScope scope(never, kLarge * 5 / 2);
  EXPECT_EQ(KeywordSearch(u"x", server.Url(), NetworkPageSource()),
            std::vector<ResultRow>(3, {"Alpha 第1集", "电驴", "a1"}));
  EXPECT_EQ(server.Count("/search/entry/"), 4);
}

// System proxy settings in, the ways tried and the page out. Pages under a .invalid host come only
// through the test server acting as the proxy; a page that comes direct is asked for in origin
// form. Four lookups of a script that never comes come first: every row after them asks afresh.
TEST(FetchPageTest, ThroughTheSystemsProxy) {
  const std::string utf8 = "<b>中</b>", far = "http://catalogue.invalid/utf8", dead = "127.0.0.1:1";
  const auto script = [](const std::string& result) {
    return Page("function FindProxyForURL(url, host) { return " + result + "; }");
  };
  // A proxy that asks for a login, which only "u:p" passes.
  const auto login = [&utf8](Connection& c, const Request& r) {
    const bool in = r.head.find("\r\nProxy-Authorization: Basic dTpw\r\n") != std::string::npos;
    Page(in ? utf8 : "", in ? "200 OK" : "407 No", "Proxy-Authenticate: Basic\r\n")(c, r);
  };
  TestServer elsewhere({{"/utf8", Page(utf8)}}), v6({{"/utf8", Page(utf8)}}, "::1");
  TestServer server(
      {{"/utf8", Page(utf8)}, {"/login", login}, {"/away", Redirect(elsewhere.Url("utf8"))}});
  const std::string proxy = server.Url().substr(7, server.Url().size() - 8),
                    near = server.Url("utf8");
  // Each kind of way that cannot be reached gives way to the next: a SOCKS proxy that refuses,
  // a proxy whose name is unknown, one that refuses the connection, one that never completes it.
  TestServer scripts(
      {{"/list", script("\"SOCKS5 " + proxy + "; SOCKS4 nowhere.invalid:1; PROXY " + dead +
                        "; PROXY " + Unconnectable() + "; PROXY " + proxy + "; DIRECT\"")},
       {"/direct", script("\"DIRECT\"")},
       {"/echo", script("\"PROXY \" + url.replace(/[^a-z0-9]+/g, \"-\") + \".invalid:1\"")},
       {"/silent", Silent()}});
  const std::string refused = "http://refused.invalid/utf8";
#ifdef _WIN32  // Wine's script runner keeps only a first PROXY; Windows' SOCKS is version 4; a
               // script that never comes leaves the fixed proxy, as WinINet does
  const Strings list = {""}, socks = {"socks4a://" + proxy}, afterDead = {"http://u:p@" + dead},
                afterScript = {"http://" + proxy};
  const std::string listed = "", listSeen = "", afterDead1st = "", afterScriptSeen = near;
#else  // a plain SOCKS proxy of GNOME's is either version; a script that never comes, direct
  const Strings list = {"socks5h://" + proxy, "socks4a://nowhere.invalid:1",
                        "http://" + dead,     "http://" + Unconnectable(),
                        "http://" + proxy,    ""},
                socks = {"socks5h://" + proxy, "socks4a://" + proxy, "socks4://" + proxy},
                afterDead = {"http://u:p@" + dead, socks[0], socks[1], socks[2]},
                afterScript = {""};
  const std::string listed = utf8, listSeen = refused, afterDead1st = utf8,
                    afterScriptSeen = "/utf8";
#endif
  // Four lookups of a script that never comes, each costing only its own fetch: then a fixed proxy,
  // and scripts that answer, are the system's answer again.
  using Row = std::tuple<std::string, SystemProxy, std::string, std::optional<Strings>, std::string,
                         std::string>;
  const Row stuck = {"script never comes",
                     {.http = proxy, .script = scripts.Url("silent")},
                     near,
                     afterScript,
                     utf8,
                     afterScriptSeen};
  // clang-format off
  Row rows[] = {stuck, stuck, stuck, stuck,
      {"fixed", {.http = proxy}, far, Strings{"http://" + proxy}, utf8, far},
      {"per scheme, CONNECT, no http login", {.http = "u:p@" + dead, .https = proxy}, "https://catalogue.invalid/", Strings{"http://" + proxy}, "", "catalogue.invalid:443"},
      {"redirect, its own way", {.http = proxy, .bypass = {"127.0.0.1"}}, "http://catalogue.invalid/away", Strings{"http://" + proxy}, utf8, "http://catalogue.invalid/away"},
      {"bypassed", {.http = proxy, .bypass = {"*.other.invalid", "127.0.0.1"}}, near, Strings{""}, utf8, "/utf8"},
      {"IPv6 bypassed, as GNOME and Internet Options write it", {.http = proxy, .bypass = {"[::1]", "::1"}}, v6.Url("utf8"), Strings{""}, utf8, ""},
      {"login", {.http = "u:p@" + proxy}, "http://catalogue.invalid/login", Strings{"http://u:p@" + proxy}, utf8, "http://catalogue.invalid/login"},
      {"http login not to SOCKS", {.http = "u:p@" + dead, .socks = proxy}, far, afterDead, afterDead1st, afterDead1st.empty() ? "" : "/utf8"},
      {"script, first ways unreached", {.script = scripts.Url("list")}, refused, list, listed, listSeen},
      {"script, direct", {.script = scripts.Url("direct")}, near, Strings{""}, utf8, "/utf8"},
      {"script sees no login, fragment or https path", {.script = scripts.Url("echo")}, "https://u:p@catalogue.invalid:8443/search/?query=k#f", Strings{"http://https-catalogue-invalid-8443-.invalid:1"}, "", ""},
      {"environment first", {.http = dead}, far, std::nullopt, utf8, far},
      {"none", {}, near, Strings{""}, utf8, "/utf8"},
      {"socks", {.socks = proxy}, far, socks, utf8, "/utf8"}};
  // clang-format on
  {  // one user action asks once for a host, whatever the case of its name, not once a page; a
     // change counts from the next action; keeping decisions costs no memory
    const std::atomic<bool> never = false;
    const Module1::FetchScope scope(never);
    std::string page = "http://zone.invalid/utf8";
    for (const SystemProxy& settings : {SystemProxy{.http = proxy}, SystemProxy{}}) {
      UseSystemProxy(settings, page, Strings{settings.http.empty() ? "" : "http://" + proxy});
      EXPECT_EQ(FetchPage(page, false), utf8);
      EXPECT_EQ(server.Requests().back().Target(), page);
      page = "http://ZONE.invalid/utf8?page=2";
    }
    EXPECT_EQ(FetchPage(near, false), utf8);  // another host of the same action: asked for itself
    EXPECT_EQ(server.Requests().back().Target(), "/utf8");
    const size_t heap = HeapInUse();
    for (int i = 0; i < 5000; ++i) Module1::ProxiesFor(page, 1s);
    EXPECT_LT(HeapInUse(), heap + (64u << 10));
  }
  for (const auto& [name, settings, url, ways, text, seen] : rows) {
    SCOPED_TRACE(name);
    SetVariable("http_proxy", ways ? "" : "http://" + proxy);
    EXPECT_EQ(UseSystemProxy(settings, url, ways), ways);
    const std::size_t before = server.Requests().size();
    EXPECT_EQ(FetchPage(url, false, {1s, 120s, 1, 120s, 64u << 20}), text);
    EXPECT_EQ(server.Requests().size() > before ? server.Requests().back().Target() : "", seen);
  }
  // no_proxy=* in either case means direct, whatever the system says.
  for (const char* variable : {"no_proxy", "NO_PROXY"}) {
    SetVariable(variable, "*");
    EXPECT_EQ(Module1::ProxiesFor(far, 1s), Strings{""}) << variable;
    SetVariable(variable, "");
  }
  SetVariable("http_proxy", ""), SetVariable("no_proxy", "*");
}

// The matcher against RE2 alone, and the path each match took: every path gives the same matches,
// so only the path shows a fast layer that stopped answering. Each row names its case in the
// text: ASCII \d and \w (also past a spent budget or an invalid byte), empty and final matches,
// long matches and the wider windows after them, invalid bytes, step and window budgets, folding
// letters in literals, and what PCRE2 reads otherwise (\w in brackets, \s, \b).
TEST(PatternMatcherTest, MatchesAsRe2AloneDoes) {
  // Attempts that fail, many enough to spend the windows' budget of any text they are in.
  std::string long_cjk, failing_ids, openings;
  for (int i = 0; i < 300; ++i) long_cjk += "中";
  for (int i = 0; i < 1000; ++i) failing_ids += "id=-";
  for (int i = 0; i < 10; ++i) openings += "<a href=\"/entry/";
  const auto record = [](const std::string& id) { return ResultEntry(id, ""); };
  const std::string kelvin = "\xE2\x84\xAA", longS = "\xC5\xBF";
  // clang-format off
  const std::tuple<std::string_view, std::string, Strings, MatchPaths> cases[] = {
      {"t=(\\d+);", "t=\xD9\xA3;t=3;", {"3"}, {1}},
      {"id=(\\w)(\\w*)", failing_ids + "id=" + kelvin + " id=" + longS + " id=\xC4\xB0 id=\xC4\xB1 id=ks", {"k"}, {0, 0, 0, 1}},
      {kResultPattern, record(kelvin) + record(longS) + record("k"), {"k"}, {1}},
      {kResultPattern, openings + record(longS) + record("s"), {"s"}, {0, 0, 0, 1}},
      {kResultPattern, "\xFF" + record(kelvin) + "\xFF" + record("k") + "\xFF", {"k"}, {1}},
      {kEntryPattern, R"(<input type="checkbox" value=")" + longS +
                      R"(" name="selectemule"<a target="_blank" href=""></a>" title="1"></td>)", {}, {}},
      {"(x*)", "中x", {"", "x", ""}, {0, 0, 0, 3}},
      {"<i>(\\d+)</i>", "<i>x</i><i>" + std::string(600, '1') + "<i>12</i>", {"12"}, {0, 0, 0, 1}},
      {"<i>(.*?)</i>", "<i>" + long_cjk + "</i><i>\xED\xA0\x80</i><i>" + long_cjk + "</i>", {long_cjk, "\xED\xA0\x80", long_cjk}, {1, 1, 1}},
      {"<i>(.?)</i>", "<i>\xED\xA0\x80</i><i></i>", {"\xED\xA0\x80", ""}, {1, 0, 1}},
      {"<([\\w]+)>", "<a><(?>", {"a"}, {0, 0, 0, 1}},
      {"<([]\\w]+)>", "<(><]>", {"]"}, {0, 0, 0, 1}},
      {"<([^]\\d]+)>", "<x(y><]>", {"x(y"}, {0, 0, 0, 1}},
      {"id=([]\\d-]+)&", "id=" + kelvin + "&id=1-]&", {"1-]"}, {0, 0, 0, 1}},
      {"<([[:alpha:]\\d]+)>", "<:><a1]>", {"a1]"}, {0, 0, 0, 1}},
      {"<([^<]+)>", "<a(b>", {"a(b"}, {1}},
      {"<([.=]+)>", "<.=>", {".="}, {1}},
      {"<([中b-d]+)><([Z-a]+)>", "<中BcD><z^A>", {"中BcD"}, {0, 0, 0, 1}},
      {"<([中-x-中]+)>", "<y><中-x>", {"中-x"}, {0, 0, 0, 1}},
      {"<((?:x?))+>", "<x>", {"x"}, {0, 0, 0, 1}},
      {"<(a)>$", "<a>\n", {}, {}},
      {"<([xk]+)>", "<" + kelvin + "><xK>", {"xK"}, {0, 0, 0, 1}},
      {"<i>(.*?)</i>", "<i>\xF5\x80\x80\x80</i>", {}, {}},
      {"<i>(.*?)</i>", "<i>\xE4\xC0\x80</i>", {}, {}},
      {"<i>(.?)", "xxxx<i>", {""}, {1}},
      {"<ix*>(y)", "<i>y", {"y"}, {1}},
      {"<i>(\\s)</i>", "<i>\v</i><i> </i>", {" "}, {0, 0, 0, 1}},
      {"<i>\\b(x)", "<i>x", {"x"}, {0, 0, 0, 1}},
      {"a(?:(?:x+)+c)?(x+)b", "A" + std::string(3000, 'x') + "b", {std::string(3000, 'x')}, {0, 0, 1}},
      {"<(a)>", "<a>" + std::string(4000, '<') + "<a><a>", {"a", "a", "a"}, {1, 0, 0, 2}},
      {"<link>(.*?)</link>", "<LIN" + kelvin + ">x</lin" + kelvin + ">", {"x"}, {1}},
      {"<s>(.*?)</s>", "<" + longS + ">y</S>", {"y"}, {1}}};
  // clang-format on
  for (const auto& [pattern, text, groups, paths] : cases) {
    std::vector<Strings> found[2];
    MatchPaths taken;
    for (const auto engine : {PatternMatcher::Engine::kLayered, PatternMatcher::Engine::kRe2}) {
      const bool re2 = engine == PatternMatcher::Engine::kRe2;
      for (const Match& m :
           PatternMatcher(pattern, Mode::kFindAll, engine).Execute(text, re2 ? nullptr : &taken)) {
        found[re2].push_back(m.subMatches);
      }
    }
    EXPECT_EQ(found[0], found[1]) << pattern;
    Strings first;
    for (const Strings& match : found[0]) first.push_back(match[0]);
    EXPECT_EQ(first, groups) << pattern;
    EXPECT_EQ(taken, paths) << text.substr(0, 40);
  }
  // The catalogue's own pages take the fast path for every match; a megabyte of openings before
  // them makes one match RE2 must bound; first-match mode ends with its first match.
  std::string search;
  for (int page = 1; page <= 4; ++page) {
    search += Module1::DecodeResponse(DemoCatalogue::ResultPage("demo", page, 200));
  }
  const std::string entry = *DemoCatalogue::EntryPage(DemoCatalogue::EntryId("demo", 1, 0), 50);
  const std::tuple<std::string_view, Mode, std::string, MatchPaths> pages[] = {
      {kResultPattern, Mode::kFindAll, search, {800}},
      {kEntryPattern, Mode::kFindAll, entry, {50}},
      {kRedirectPattern, Mode::kFirstMatch, ReadTestData("link_page.html") + kKb, {1}},
      {kResultPattern,
       Mode::kFindAll,
       HostilePages::UnclosedTitles(1 << 20) + ReadTestData("results_page1.html"),
       {7, 1}}};
  for (const auto& [pattern, mode, text, paths] : pages) {
    MatchPaths taken;
    PatternMatcher(pattern, mode).Execute(RemoveLineFeeds(text), &taken);
    EXPECT_EQ(taken, paths) << pattern;
  }
}

// Verbatim titles; torrents, "EMULE.PNG" and "emule.png.bak" give no row; upper-case markup
// matches; line feeds go, carriage returns stay; g7 without a type block borrows h8's, and h8 gives
// no row; j10 spans two pages; page 3 repeats a1.
TEST(PageLogicTest, RowsOfResultEntryAndLinkPages) {
  const auto fixtures = [](const std::string& url) {
    const char page = url.back();
    return page > '3' ? std::string()
                      : ReadTestData("results_page" + std::string(1, page) + ".html");
  };
  const std::vector<ResultRow> results = {
      {"Alpha 第1集", "电驴", "a1"},     {"Beta &amp; <em>Gamma</em>", "电驴", "b2"},
      {"Upper", "电驴", "e5"},           {"Line one\rLine two", "电驴", "f6"},
      {"No type", "电驴", "g7"},         {"Split", "电驴", "j10"},
      {"中文标题 Kappa", "电驴", "k11"}, {"Alpha 第1集", "电驴", "a1"}};
  EXPECT_EQ(KeywordSearch(u"中", "http://catalogue.test/", fixtures), results);
  // A block without an anchor takes the next block's link, which gives no row of its own; the
  // last block's title is not digits.
  const std::vector<LinkRow> links = {
      {"【点击复制链接】a.avi", "700.0 MB", "电驴", "link/abc_1/0/"},
      {"【点击复制链接】b &amp; <b>c</b>.mkv", "1.20 GB", "电驴", "link/abc_1/1/"},
      {"【点击复制链接】Upper.mp3", "42 B", "电驴", "/link/up/"},
      {"【点击复制链接】two\rlines.pdf", "1.0 MB", "电驴", "link/abc_1/3/"},
      {"【点击复制链接】after.avi", "5.0 MB", "电驴", "link/abc_1/5/"},
      {"【点击复制链接】a.avi", "700.0 MB", "电驴", "link/abc_1/0/"}};
  EXPECT_EQ(ExtractLinkRows(ReadTestData("entry_page.html")), links);
  // Only the exact eMule label loads its entry page; a link URL is the base and the href.
  Strings asked;
  const auto record = [&asked](const std::string& url) {
    asked.push_back(url);
    return std::string();
  };
  EXPECT_TRUE(LoadLinks("电驴 ", "a1", "b/", record).empty());
  EXPECT_EQ(ResolveLink("/link/", "b/", record), std::nullopt);
  EXPECT_EQ(asked, Strings{"b//link/"});
  // The first of two redirects; capitals; "." is any character; a quote not followed by `",`
  // stays in the link; line feeds go first. (What may reach the clipboard the window decides.)
  const std::pair<std::string, std::optional<std::string>> redirects[] = {
      {ReadTestData("link_page.html"), kFinalLink},
      {"X(\"LOCATION.HREF='ed2k://A'\",1)", "ed2k://A"},
      {"location-href='it's'ok'\",0", "it's'ok"},
      {"location.href='a\nb\nc'\",", "abc"},
      {"location.href='a'\";", std::nullopt},
      {"", std::nullopt}};
  for (const auto& [page, link] : redirects) EXPECT_EQ(ExtractFinalLink(page), link) << page;
  // Megabytes of blocks that never close hide no real row: the rows are the ones the patterns
  // define, the same a backtracking engine would give after minutes.
  const std::string first = ReadTestData("results_page1.html"),
                    entry = ReadTestData("entry_page.html");
  EXPECT_EQ(ExtractResultRows(first + HostilePages::TitlesWithoutType(2 << 20)),
            ExtractResultRows(first));
  EXPECT_EQ(ExtractLinkRows(entry + HostilePages::CheckboxesWithoutLink(2 << 20)), links);
}

}  // namespace
