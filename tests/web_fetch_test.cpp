// FetchPage against a real server on 127.0.0.1: what it sends, what it gives back, and how it
// fails.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "test_server.h"
#include "web/module1.h"

namespace {

using namespace std::chrono_literals;
using Module1::FetchLimits;
using Module1::FetchPage;

constexpr char kHtml[] = "text/html";

std::string Gzip(const std::string& data) {
  std::string out;
  httplib::detail::gzip_compressor gzip;
  gzip.compress(data.data(), data.size(), true, [&](const char* p, size_t n) {
    out.append(p, n);
    return true;
  });
  return out;
}

void Serve(httplib::Server& s, const std::string& path, std::string body, int status = 200) {
  s.Get(path, [body, status](const httplib::Request&, httplib::Response& res) {
    res.status = status;
    res.set_content(body, kHtml);
  });
}

class FetchPageTest : public testing::Test {
 protected:
  TestServer server{[](httplib::Server& s) {
    Serve(s, "/utf8", "<b>\xE4\xB8\xAD\xE6\x96\x87</b>");
    Serve(s, "/gbk", "<b>\xD6\xD0\xCE\xC4</b>");
    Serve(s, "/bom", "\xEF\xBB\xBF<b>\xE4\xB8\xAD</b>");
    Serve(s, "/empty", "");
    Serve(s, "/missing", "<h1>\xE6\x89\xBE\xE4\xB8\x8D\xE5\x88\xB0</h1>", 404);
    Serve(s, "/broken", "server error page", 500);
    Serve(s, "/a b/", "blank path");
    s.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
      res.set_redirect("/utf8");
    });
    s.Get("/gzip", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Content-Encoding", "gzip");
      res.set_content(Gzip("<p>\xE4\xB8\xAD</p>"), "application/octet-stream");
    });
    s.Get("/bomb", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Content-Encoding", "gzip");
      res.set_content(Gzip(std::string(8u << 20, 'a')), "application/octet-stream");
    });
    s.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
      std::this_thread::sleep_for(2500ms);
      res.set_content("too late", kHtml);
    });
    s.Get("/loop", [](const httplib::Request&, httplib::Response& res) {
      res.set_redirect("/loop");
    });
    s.Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
      res.set_redirect("file:///etc/passwd");
    });
  }};
};

TEST_F(FetchPageTest, SendsOneGetWithIfModifiedSinceZero) {
  EXPECT_EQ(FetchPage(server.Url("utf8"), false), "<b>中文</b>");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].path, "/utf8");
  EXPECT_EQ(requests[0].headers.find("If-Modified-Since")->second, "0");
  EXPECT_EQ(requests[0].headers.find("User-Agent")->second, "Quillon/1.0");
  EXPECT_EQ(requests[0].headers.count("Cookie"), 0u);
}

TEST_F(FetchPageTest, DecodesEachCharsetByItsBytes) {
  EXPECT_EQ(FetchPage(server.Url("gbk"), false), "<b>中文</b>");
  EXPECT_EQ(FetchPage(server.Url("bom"), false), "<b>中</b>");
}

TEST_F(FetchPageTest, EmptyBodyGivesEmptyText) {
  EXPECT_EQ(FetchPage(server.Url("empty"), false), "");
}

TEST_F(FetchPageTest, ErrorStatusPagesAreStillPages) {
  EXPECT_EQ(FetchPage(server.Url("missing"), false), "<h1>找不到</h1>");
  EXPECT_EQ(FetchPage(server.Url("broken"), false), "server error page");
}

TEST_F(FetchPageTest, FollowsRedirectsOnTheSameServer) {
  EXPECT_EQ(FetchPage(server.Url("moved"), false), "<b>中文</b>");
}

TEST_F(FetchPageTest, InflatesCompressedBodies) {
  EXPECT_EQ(FetchPage(server.Url("gzip"), false), "<p>中</p>");
}

TEST_F(FetchPageTest, EscapesBlanksInTheRequestLine) {
  EXPECT_EQ(FetchPage(server.Url("a b/"), false), "blank path");
  EXPECT_EQ(server.Requests().at(0).target, "/a%20b/");
}

TEST_F(FetchPageTest, AsynchronousFlagBehavesAsSynchronous) {
  EXPECT_EQ(FetchPage(server.Url("utf8"), true), "<b>中文</b>");
}

TEST_F(FetchPageTest, ConsecutiveFetchesReuseTheConnection) {
  for (int i = 0; i < 3; ++i) FetchPage(server.Url("utf8"), false);
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[1].remotePort, requests[0].remotePort);
  EXPECT_EQ(requests[2].remotePort, requests[0].remotePort);
}

TEST_F(FetchPageTest, LimitsTurnIntoEmptyText) {
  FetchLimits limits;
  limits.total = 800ms;
  EXPECT_EQ(FetchPage(server.Url("slow"), false, limits), "");
  limits = FetchLimits{};
  limits.maxBody = 1u << 20;  // the bomb inflates to 8 MiB
  EXPECT_EQ(FetchPage(server.Url("bomb"), false, limits), "");
}

TEST_F(FetchPageTest, RefusesRedirectLoopsAndOtherProtocols) {
  EXPECT_EQ(FetchPage(server.Url("loop"), false), "");
  EXPECT_LE(server.Requests().size(), 11u);
  EXPECT_EQ(FetchPage(server.Url("to-file"), false), "");
}

TEST(FetchPageFailureTest, ClosedPortAndBadUrlsGiveEmptyText) {
  std::string base;
  { base = TestServer([](httplib::Server&) {}).Base(); }  // the port is closed again
  EXPECT_EQ(FetchPage(base + "page", false), "");
  EXPECT_EQ(FetchPage("http://[::1", false), "");
  EXPECT_EQ(FetchPage("", false), "");
}

}  // namespace
