// FetchPage against a real server on 127.0.0.1: what it sends and what it gives back. How it
// fails on a hostile network is in hostile_network_test.cpp.
#include <gtest/gtest.h>


#include "test_server.h"
#include "web/module1.h"

namespace {

using Module1::FetchPage;

constexpr char kHtml[] = "text/html";

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
    s.Get("/moved",
          [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/utf8"); });
    s.Get("/gzip", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Content-Encoding", "gzip");
      res.set_content(Gzip("<p>\xE4\xB8\xAD</p>"), "application/octet-stream");
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

TEST(FetchPageFailureTest, BadUrlsGiveEmptyText) {
  EXPECT_EQ(FetchPage("http://[::1", false), "");
  EXPECT_EQ(FetchPage("", false), "");
}

}  // namespace
