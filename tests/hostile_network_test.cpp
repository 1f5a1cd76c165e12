// FetchPage against servers that fail in every way a network or a hostile site can: each case
// gives empty text, stopped by the one limit it is about, or, for the cases that must still
// work, the page. The limit under test is short; every other limit is far longer than the
// test's time-out, so a limit that does not work fails the test instead of passing late.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>

#include "raw_server.h"
#include "test_server.h"
#include "web/module1.h"

namespace {

using namespace std::chrono_literals;
using Module1::FetchLimits;

// Responders of the raw server, by path.
std::map<std::string, RawServer::Responder> RawRoutes() {
  const std::string ok = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
  return {
      {"/silent",
       [](RawConnection& c) {
         while (c.Pause(1s)) {
         }
       }},
      {"/headers-only",
       [ok](RawConnection& c) {
         c.Send(ok + "Content-Length: 100\r\n\r\n");
         while (c.Pause(1s)) {
         }
       }},
      {"/drip-slow",
       [ok](RawConnection& c) {
         c.Send(ok + "Content-Length: 100\r\n\r\n");
         while (c.Pause(2500ms) && c.Send("x")) {
         }
       }},
      {"/drip-steady",
       [ok](RawConnection& c) {
         c.Send(ok + "Content-Length: 1000000\r\n\r\n");
         while (c.Pause(200ms) && c.Send("x")) {
         }
       }},
      {"/endless-chunked",
       [ok](RawConnection& c) {
         c.Send(ok + "Transfer-Encoding: chunked\r\n\r\n");
         const std::string chunk = "1000\r\n" + std::string(0x1000, 'a') + "\r\n";
         while (c.Send(chunk)) {
         }
       }},
      {"/reset-mid-body",
       [ok](RawConnection& c) {
         c.Send(ok + "Content-Length: 100000\r\n\r\n" + std::string(5000, 'a'));
         c.Pause(100ms);
         c.Reset();
       }},
      {"/bad-status", [](RawConnection& c) { c.Send("HTTP/1.1 abc\r\n\r\nbody"); }},
      {"/not-http", [](RawConnection& c) { c.Send("SSH-2.0-OpenSSH_9.2\r\nbody"); }},
      {"/short-body",
       [ok](RawConnection& c) { c.Send(ok + "Content-Length: 1000\r\n\r\nonly ten b"); }},
      {"/huge-header",
       [ok](RawConnection& c) {
         c.Send(ok + "X-Big: " + std::string(4u << 20, 'a') + "\r\nContent-Length: 4\r\n\r\nbody");
       }},
      {"/many-headers",
       [ok](RawConnection& c) {
         std::string many;
         for (int i = 0; i < 40000; ++i)
           many += "X-H" + std::to_string(i) + ": " + std::string(90, 'a') + "\r\n";
         c.Send(ok + many + "Content-Length: 4\r\n\r\nbody");
       }},
      {"/until-close",
       [ok](RawConnection& c) { c.Send(ok + "Connection: close\r\n\r\nbody until close"); }},
  };
}

void HttpRoutes(httplib::Server& s) {
  s.Get("/page", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("the page", "text/html");
  });
  s.Get("/broken", [](const httplib::Request&, httplib::Response& res) {
    res.status = 500;
    res.set_content("server error page", "text/html");
  });
  s.Get("/bomb", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Encoding", "gzip");
    res.set_content(Gzip(std::string(8u << 20, 'a')), "application/octet-stream");
  });
  const auto redirect = [&s](const std::string& from, const std::string& to) {
    s.Get(from, [to](const httplib::Request&, httplib::Response& res) { res.set_redirect(to); });
  };
  redirect("/moved", "/page");
  redirect("/loop", "/loop");
  redirect("/to-file", "file:///etc/passwd");
  redirect("/to-ftp", "ftp://127.0.0.1/pub/file");
}

struct Servers {
  RawServer raw{RawRoutes()};
  TestServer http{HttpRoutes};
  TestServer http6{HttpRoutes, "::1"};
  std::string closedBase = [] { return TestServer([](httplib::Server&) {}).Base(); }();
};

// Every limit long, so that only the one a case shortens can end it.
FetchLimits Long() { return {120s, 120s, 120s, 64u << 20}; }

// Long limits but for `limit`, which is `value`.
template <typename T>
FetchLimits Only(T FetchLimits::*limit, std::type_identity_t<T> value) {
  FetchLimits limits = Long();
  limits.*limit = value;
  return limits;
}

struct Case {
  const char* name;
  std::function<std::string(const Servers&)> url;
  FetchLimits limits;
  std::string expected;
};

// Names the case in test listings, instead of its bytes.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

std::function<std::string(const Servers&)> Raw(const std::string& path) {
  return [path](const Servers& s) { return s.raw.Url(path); };
}
std::function<std::string(const Servers&)> Http(const std::string& path) {
  return [path](const Servers& s) { return s.http.Url(path); };
}

class HostileNetworkTest : public testing::TestWithParam<Case> {
 protected:
  static void SetUpTestSuite() { servers = std::make_unique<Servers>(); }
  static void TearDownTestSuite() { servers.reset(); }
  static std::unique_ptr<Servers> servers;
};
std::unique_ptr<Servers> HostileNetworkTest::servers;

TEST_P(HostileNetworkTest, GivesTheExpectedText) {
  const Case& c = GetParam();
  EXPECT_EQ(Module1::FetchPage(c.url(*servers), false, c.limits), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HostileNetworkTest,
    testing::Values(
        Case{"NeverAnswers", Raw("silent"), Only(&FetchLimits::stall, 1s), ""},
        Case{"HeadersThenNothing", Raw("headers-only"), Only(&FetchLimits::stall, 1s), ""},
        Case{"DripsSlowerThanTheStallLimit", Raw("drip-slow"), Only(&FetchLimits::stall, 1s), ""},
        Case{"DripsForeverUnderTheStallLimit", Raw("drip-steady"),
             Only(&FetchLimits::total, 1500ms), ""},
        Case{"EndlessChunkedBody", Raw("endless-chunked"), Only(&FetchLimits::maxBody, 1u << 20),
             ""},
        Case{"GzipBombPastTheBodyLimit", Http("bomb"), Only(&FetchLimits::maxBody, 1u << 20), ""},
        Case{"RedirectLoop", Http("loop"), Long(), ""},
        Case{"RedirectToFile", Http("to-file"), Long(), ""},
        Case{"RedirectToFtp", Http("to-ftp"), Long(), ""},
        Case{"ResetInTheMiddleOfTheBody", Raw("reset-mid-body"), Long(), ""},
        Case{"MalformedStatusLine", Raw("bad-status"), Long(), ""},
        Case{"NotHttpAtAll", Raw("not-http"), Long(), ""},
        Case{"ContentLengthBeyondTheBody", Raw("short-body"), Long(), ""},
        Case{"OneHeaderOfFourMegabytes", Raw("huge-header"), Long(), ""},
        Case{"FourMegabytesOfHeaders", Raw("many-headers"), Long(), ""},
        Case{"RefusedPort", [](const Servers& s) { return s.closedBase + "page"; }, Long(), ""},
        Case{"UnresolvableHost",
             [](const Servers&) { return std::string("http://quillon.invalid/"); },
             Only(&FetchLimits::connect, 5000ms), ""}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    StillWorks, HostileNetworkTest,
    testing::Values(Case{"ServerErrorWithABody", Http("broken"), Long(), "server error page"},
                    Case{"BodyEndedByClosingTheConnection", Raw("until-close"), Long(),
                         "body until close"},
                    Case{"RedirectToAnotherPath", Http("moved"), Long(), "the page"},
                    Case{"Ipv6Loopback", [](const Servers& s) { return s.http6.Url("page"); },
                         Long(), "the page"}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
