// The demo catalogue server: serves the sample catalogue on 127.0.0.1 so that Quillon can be
// tried without the real site.
//
//   quillon-demo-site [port]      (default 8750)
#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "catalogue.h"

namespace {

constexpr char kHost[] = "127.0.0.1";
constexpr int kDefaultPort = 8750;

httplib::Server* g_server = nullptr;

void Stop(int) {
  if (g_server) g_server->stop();
}

void Send(httplib::Response& res, const std::optional<std::string>& page, const char* charset) {
  if (!page) {
    res.status = 404;
    res.set_content("<html><body>404 没有这个页面</body></html>", "text/html; charset=utf-8");
    return;
  }
  res.set_content(*page, std::string("text/html; charset=") + charset);
}

void Route(httplib::Server& server) {
  server.Get("/search/entry/", [](const httplib::Request& req, httplib::Response& res) {
    const int page = std::atoi(req.get_param_value("page").c_str());
    const std::string keyword = req.get_param_value("query");
    Send(res, DemoCatalogue::ResultPage(keyword, page),
         page == DemoCatalogue::kGbkPage ? "gbk" : "utf-8");
  });
  server.Get(R"(/entry/(\w+)/)", [](const httplib::Request& req, httplib::Response& res) {
    Send(res, DemoCatalogue::EntryPage(req.matches[1].str()), "utf-8");
  });
  server.Get(R"(/link/(\w+)/(\d+)/)", [](const httplib::Request& req, httplib::Response& res) {
    Send(res, DemoCatalogue::LinkPage(req.matches[1].str(), std::stoi(req.matches[2].str())),
         "utf-8");
  });
}

}  // namespace

int main(int argc, char** argv) {
  const int port = argc > 1 ? std::atoi(argv[1]) : kDefaultPort;
  httplib::Server server;
  Route(server);
  g_server = &server;
  std::signal(SIGINT, Stop);
  std::signal(SIGTERM, Stop);
  std::printf("demo catalogue on http://%s:%d/\n", kHost, port);
  std::fflush(stdout);
  if (!server.listen(kHost, port)) {
    std::fprintf(stderr, "quillon-demo-site: cannot listen on %s:%d\n", kHost, port);
    return 1;
  }
  return 0;
}
