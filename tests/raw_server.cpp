#include "raw_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

using namespace std::chrono_literals;
constexpr auto kPollStep = 20ms;

// Waits for `socket` to become readable, giving up when `stopping` is set.
bool WaitReadable(int socket, const std::atomic<bool>& stopping) {
  pollfd p{socket, POLLIN, 0};
  while (!stopping) {
    const int ready = poll(&p, 1, static_cast<int>(kPollStep.count()));
    if (ready != 0) return ready > 0;
  }
  return false;
}

// The path of the request line "GET /path HTTP/1.1", or empty text.
std::string RequestPath(int socket, const std::atomic<bool>& stopping) {
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < (1u << 16)) {
    if (!WaitReadable(socket, stopping)) return {};
    const ssize_t n = recv(socket, buffer, sizeof buffer, 0);
    if (n <= 0) return {};
    head.append(buffer, static_cast<size_t>(n));
  }
  const size_t start = head.find(' ') + 1;
  const size_t end = head.find_first_of(" ?", start);
  return start == 0 || end == std::string::npos ? std::string() : head.substr(start, end - start);
}

}  // namespace

RawConnection::RawConnection(int socket, const std::atomic<bool>& stopping)
    : m_socket(socket), m_stopping(stopping) {}

RawConnection::~RawConnection() {
  if (m_socket >= 0) close(m_socket);
}

bool RawConnection::Send(std::string_view bytes) {
  while (!bytes.empty() && !m_stopping) {
    const ssize_t n = send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return bytes.empty();
}

bool RawConnection::Pause(std::chrono::milliseconds duration) {
  for (auto left = duration; left > 0ms && !m_stopping; left -= kPollStep) {
    std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(kPollStep)));
  }
  return !m_stopping;
}

void RawConnection::Reset() {
  const linger abort{1, 0};
  setsockopt(m_socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  close(m_socket);
  m_socket = -1;
}

RawServer::RawServer(std::map<std::string, Responder> routes) : m_routes(std::move(routes)) {
  m_listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(m_listener, 16) != 0 ||
      getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("raw test server cannot listen");
  }
  m_port = ntohs(address.sin_port);
  m_acceptor = std::thread([this] { AcceptLoop(); });
}

RawServer::~RawServer() {
  m_stopping = true;
  m_acceptor.join();
  close(m_listener);
  for (auto& connection : m_connections) connection.join();
}

std::string RawServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + "/" + path;
}

void RawServer::AcceptLoop() {
  while (WaitReadable(m_listener, m_stopping)) {
    const int client = accept(m_listener, nullptr, nullptr);
    if (client < 0) continue;
    std::lock_guard lock(m_mutex);
    m_connections.emplace_back([this, client] { Serve(client); });
  }
}

void RawServer::Serve(int socket) {
  RawConnection connection(socket, m_stopping);
  const auto route = m_routes.find(RequestPath(socket, m_stopping));
  if (route != m_routes.end()) route->second(connection);
}
