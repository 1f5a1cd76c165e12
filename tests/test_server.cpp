#include "test_server.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

TestServer::TestServer(const std::function<void(httplib::Server&)>& routes, const std::string& host)
    : m_host(host) {
  routes(m_server);
  // Recorded before the handler runs, so a request is on the list by the time its answer arrives.
  m_server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
    std::lock_guard lock(m_mutex);
    m_requests.push_back({req.path, req.target, req.headers, req.remote_port});
    return httplib::Server::HandlerResponse::Unhandled;
  });
  m_server.set_keep_alive_max_count(100);
  m_server.set_keep_alive_timeout(1);
  m_port = m_server.bind_to_any_port(m_host);
  if (m_port <= 0) throw std::runtime_error("test server cannot bind " + m_host);
  m_thread = std::thread([this] { m_server.listen_after_bind(); });
  while (!m_server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TestServer::~TestServer() {
  m_server.stop();
  m_thread.join();
}

std::string TestServer::Base() const {
  const std::string host = m_host.find(':') != std::string::npos ? "[" + m_host + "]" : m_host;
  return "http://" + host + ":" + std::to_string(m_port) + "/";
}

std::vector<RecordedRequest> TestServer::Requests() const {
  std::lock_guard lock(m_mutex);
  return m_requests;
}

std::string Gzip(const std::string& data) {
  std::string out;
  httplib::detail::gzip_compressor gzip;
  gzip.compress(data.data(), data.size(), true, [&](const char* p, size_t n) {
    out.append(p, n);
    return true;
  });
  return out;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string ReadTestData(const std::string& name) {
  return ReadFileBytes(std::string(QUILLON_TEST_DATA) + "/" + name);
}

void ServeResultPages(httplib::Server& server) {
  server.Get("/search/entry/", [](const httplib::Request& req, httplib::Response& res) {
    const std::string page = req.get_param_value("page");
    res.set_content(page == "1"   ? ReadTestData("results_page1.html")
                    : page == "2" ? ReadTestData("results_page2.html")
                                  : std::string(),
                    "text/html");
  });
}
