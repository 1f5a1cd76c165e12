// A real HTTP server on 127.0.0.1 for tests: it listens on a free port, serves the handlers a test
// gives it and records what every request carried.
//
//   TestServer server([](httplib::Server& s) {
//     s.Get("/page", [](const auto&, auto& res) { res.set_content("hi", "text/plain"); });
//   });
//   EXPECT_EQ(Module1::FetchPage(server.Url("page"), false), "hi");
//   EXPECT_EQ(server.Requests().at(0).path, "/page");
#pragma once

#include <httplib.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct RecordedRequest {
  std::string path;
  std::string target;  // path and query as sent, still encoded
  httplib::Headers headers;
  int remotePort = 0;  // tells connections apart
};

class TestServer final {
 public:
  // `routes` registers the handlers before the server starts listening.
  explicit TestServer(const std::function<void(httplib::Server&)>& routes,
                      const std::string& host = "127.0.0.1");
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  // The base address, "http://127.0.0.1:<port>/", and a path under it.
  std::string Base() const;
  std::string Url(const std::string& path) const { return Base() + path; }

  std::vector<RecordedRequest> Requests() const;

 private:
  httplib::Server m_server;
  std::string m_host;
  int m_port = 0;
  std::thread m_thread;
  mutable std::mutex m_mutex;
  std::vector<RecordedRequest> m_requests;
};

// A page source over fixed texts by URL, recording the URLs asked for; unknown URLs give empty
// text, as a failed fetch does.
struct FixtureSource {
  std::map<std::string, std::string> pages;
  std::vector<std::string> asked;
  std::string operator()(const std::string& url) {
    asked.push_back(url);
    const auto it = pages.find(url);
    return it == pages.end() ? std::string() : it->second;
  }
};

// Routes the search URL to results_page1.html and results_page2.html for pages 1 and 2, and to
// an empty page for pages 3 and 4, whatever the keyword.
void ServeResultPages(httplib::Server& server);

// `data` compressed as a gzip stream, for a Content-Encoding: gzip body.
std::string Gzip(const std::string& data);

// The whole content of a file; throws when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// The text of a file under tests/data/.
std::string ReadTestData(const std::string& name);
