// SPDX-License-Identifier: GPL-3.0-or-later
// The demo catalogue server: serves the sample catalogue on 127.0.0.1 so that Quillon can be
// tried without the real site.
//
//   quillon-demo-site [port] [--delay-ms N [--delay-path PREFIX]] [--close] [--large-pages]
//
// The port defaults to 8750. --delay-ms makes every answer wait N milliseconds, as a distant
// server does, or only the answers to paths that begin with PREFIX, as a server that holds one
// kind of page; --close ends every connection after one answer; --large-pages makes every result
// page as large as Quillon takes a page (GBK text that grows as it is decoded). The benchmarks use
// them.
#include <httplib.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "catalogue.h"
#include "hostile_pages.h"

namespace {

constexpr char kHost[] = "127.0.0.1";
constexpr int kDefaultPort = 8750;
// The largest body Quillon reads of a page.
constexpr std::size_t kLargePage = 16u << 20;

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

void Route(httplib::Server& server, bool largePages) {
  if (largePages) {
    server.Get("/search/entry/", [](const httplib::Request&, httplib::Response& res) {
      static const std::string page = HostilePages::LargeGbkPage(kLargePage);
      res.set_content(page, "text/html; charset=gbk");
    });
    return;
  }
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

struct Options {
  int port = kDefaultPort;
  int delayMs = 0;
  std::string delayPath = "/";
  bool close = false;
  bool largePages = false;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--close") {
      options.close = true;
    } else if (arg == "--large-pages") {
      options.largePages = true;
    } else if (arg == "--delay-ms" && i + 1 < argc) {
      options.delayMs = std::atoi(argv[++i]);
    } else if (arg == "--delay-path" && i + 1 < argc) {
      options.delayPath = argv[++i];
    } else {
      options.port = std::atoi(argv[i]);
    }
  }
  return options;
}

// Offers gzip only, as a catalogue server compresses its pages. httplib would otherwise choose
// Brotli at its highest quality, some 12 ms a page, a price no server pays on every request.
void PreferGzip(const httplib::Request& request) {
  // httplib hands the handler its own, non-const request, so it may be changed here.
  auto& headers = const_cast<httplib::Request&>(request).headers;
  const auto offered = headers.find("Accept-Encoding");
  if (offered == headers.end()) return;
  const bool gzip = offered->second.find("gzip") != std::string::npos;
  headers.erase(offered);
  if (gzip) headers.emplace("Accept-Encoding", "gzip");
}

void Pace(httplib::Server& server, const Options& options) {
  const auto delay = std::chrono::milliseconds(options.delayMs);
  server.set_pre_routing_handler(
      [delay, prefix = options.delayPath](const httplib::Request& req, httplib::Response&) {
        PreferGzip(req);
        if (req.path.starts_with(prefix)) std::this_thread::sleep_for(delay);
        return httplib::Server::HandlerResponse::Unhandled;
      });
  if (!options.close) return;
  server.set_post_routing_handler([](const httplib::Request&, httplib::Response& res) {
    res.set_header("Connection", "close");
  });
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  const int port = options.port;
  httplib::Server server;
  // As web servers do: without it, a small answer written in two parts waits for the client's
  // delayed acknowledgement, some 40 ms, on every page after the first of a connection.
  server.set_tcp_nodelay(true);
  Route(server, options.largePages);
  Pace(server, options);
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
