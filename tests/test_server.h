// SPDX-License-Identifier: GPL-3.0-or-later
// A real server on 127.0.0.1 (or ::1) for tests: it records every request and answers each path
// with a responder: a well-formed HTTP page, or whatever raw bytes, or silence, a test writes.
//   TestServer server({{"/page", Page("hi")}, {"/cut", Raw("HTTP/1.1 200 OK\r\n")}});
//   EXPECT_EQ(Module1::FetchPage(server.Url("page"), false), "hi");
// Paths match as sent, still escaped, without the query; the route "" answers any other path.
// It also serves as a proxy: a request in proxy form (GET http://host/path) is routed by its path,
// and a SOCKS 4a or 5 client is let through to the HTTP that follows; a SOCKS login, or a host
// named refused.*, is refused.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
using Socket = std::uintptr_t;  // Winsock's SOCKET, without its header here
#else
using Socket = int;
#endif

struct Request {
  std::string head;    // the request line and headers as sent
  int remotePort = 0;  // tells connections apart
  std::string Target() const {
    const std::size_t start = head.find(' ') + 1;
    return head.substr(start, head.find(' ', start) - start);
  }
};

struct Connection {
  Socket socket;
  const std::atomic<bool>& stopping;
  bool keepAlive = false;  // read another request when the responder is done
  bool Send(std::string_view bytes);
  bool Pause(std::chrono::milliseconds duration);  // false when the server is stopping
};
using Responder = std::function<void(Connection&, const Request&)>;

Responder Page(std::string body, std::string status = "200 OK", std::string headers = "");
Responder Raw(std::string bytes);  // then the connection is closed
Responder Silent();                // no answer until the server stops

class TestServer final {
 public:
  explicit TestServer(std::map<std::string, Responder> routes, const char* host = "127.0.0.1");
  ~TestServer();
  std::string Url(const std::string& path = "") const { return m_base + path; }
  std::vector<Request> Requests() const;
  int Count(std::string_view pathPrefix) const;

 private:
  void Serve(Connection connection);
  std::map<std::string, Responder> m_routes;
  std::string m_base;
  Socket m_listener;
  std::atomic<bool> m_stopping{false};
  mutable std::mutex m_mutex;
  std::vector<Request> m_requests;
  std::thread m_acceptor;
  std::vector<std::thread> m_threads;
};

std::string ReadTestData(const std::string& name);

// The catalogue's markup: an eMule entry of a result page, a link block of an entry page, and a
// link page whose script redirects to `link`.
std::string ResultEntry(const std::string& id, const std::string& title);
std::string LinkBlock(const std::string& href, const std::string& name, const std::string& size);
std::string LinkPage(const std::string& link);

// "127.0.0.1:port" of a listener whose queue is full, so that a connection to it never completes:
// a proxy that does not answer within any connect limit.
std::string Unconnectable();

// Names under this domain stand for a DNS server that never answers: each lookup is held for a
// minute, far past every limit a test sets (on Linux; elsewhere they do not resolve).
constexpr char kNeverResolves[] = ".never-resolves.test";

// Proxy settings, written where the system keeps them (Internet Options; GNOME's keyfile) with no
// no_proxy left in the environment. `http` may carry a login ("user:password@host:port").
struct SystemProxy {
  std::string http{}, https{}, socks{};
  std::vector<std::string> bypass{};
  std::string script{};  // a script's address
};
void WriteSystemProxy(const SystemProxy& settings);  // a setting that cannot be asked at once
// Also returns the ways a fetch of `url` then tries, once they come to `ways` (the system passes
// settings on in its own time), or as they are after ten seconds.
std::optional<std::vector<std::string>> UseSystemProxy(
    const SystemProxy& settings, const std::string& url,
    const std::optional<std::vector<std::string>>& ways);

// Sets an environment variable of this process; an empty value removes it.
void SetVariable(const char* name, const std::string& value);

// Bytes the program holds on its heap now, to see that repeated work gives its memory back.
std::size_t HeapInUse();
