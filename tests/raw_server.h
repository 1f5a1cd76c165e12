// A TCP server on 127.0.0.1 that answers with whatever bytes a test writes, for the responses an
// HTTP library will not produce: a broken status line, a body cut short, a reset connection, a
// server that never answers or answers one byte at a time.
//
//   RawServer server({{"/cut", [](RawConnection& c) {
//     c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this");
//   }}});
//   EXPECT_EQ(Module1::FetchPage(server.Url("cut"), false), "");
//
// Each connection reads one request head, runs the responder of its path (unknown paths are
// closed unanswered) and is closed when the responder returns. POSIX sockets only.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class RawConnection final {
 public:
  RawConnection(int socket, const std::atomic<bool>& stopping);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  // False once the client has gone away.
  bool Send(std::string_view bytes);
  // Waits; false when the server is stopping, so that a responder which waits for ever ends.
  bool Pause(std::chrono::milliseconds duration);
  // Ends the connection with a TCP reset instead of an orderly close.
  void Reset();

 private:
  int m_socket;
  const std::atomic<bool>& m_stopping;
};

class RawServer final {
 public:
  using Responder = std::function<void(RawConnection&)>;
  explicit RawServer(std::map<std::string, Responder> routes);
  ~RawServer();
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  std::string Url(const std::string& path) const;

 private:
  void AcceptLoop();
  void Serve(int socket);

  std::map<std::string, Responder> m_routes;
  int m_listener = -1;
  int m_port = 0;
  std::atomic<bool> m_stopping{false};
  std::thread m_acceptor;
  std::mutex m_mutex;
  std::vector<std::thread> m_connections;
};
