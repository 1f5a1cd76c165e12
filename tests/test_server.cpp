#include "test_server.h"

#include <malloc.h>

#include <fstream>
#include <sstream>

// The one place where Windows and Linux differ: sockets and the heap's statistics.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
constexpr int MSG_NOSIGNAL = 0;
int CloseSocket(int socket) { return closesocket(static_cast<SOCKET>(socket)); }
int Poll(pollfd* fds, unsigned long n, int timeout) { return WSAPoll(fds, n, timeout); }
const bool kStarted = [] {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}();

std::size_t HeapInUse() {  // the C runtime's heap, which malloc and operator new use
  std::size_t used = 0;
  _HEAPINFO entry{};
  while (_heapwalk(&entry) == _HEAPOK) {
    if (entry._useflag == _USEDENTRY) used += entry._size;
  }
  return used;
}
#else
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

int CloseSocket(int socket) { return close(socket); }
int Poll(pollfd* fds, nfds_t n, int timeout) { return poll(fds, n, timeout); }
std::size_t HeapInUse() { return mallinfo2().uordblks; }
#endif

namespace {

using namespace std::chrono_literals;

bool WaitReadable(int socket, const std::atomic<bool>& stopping) {
  pollfd p{static_cast<decltype(pollfd::fd)>(socket), POLLIN, 0};
  int ready = 0;
  while (!stopping && (ready = Poll(&p, 1, 20)) == 0) {
  }
  return ready > 0 && !stopping;
}

int PortOf(int socket, bool peer) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  (peer ? getpeername : getsockname)(socket, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);  // same place in IPv6
}

}  // namespace

bool Connection::Send(std::string_view bytes) {
  for (ssize_t n = 0; !bytes.empty() && !stopping; bytes.remove_prefix(n)) {
    if ((n = send(socket, bytes.data(), static_cast<int>(bytes.size()), MSG_NOSIGNAL)) < 0) {
      return false;
    }
  }
  return bytes.empty();
}

void Connection::ResetOnClose() {
  const linger reset{1, 0};
  setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset);
}

bool Connection::Pause(std::chrono::milliseconds duration) {
  for (; duration > 0ms && !stopping; duration -= 20ms) std::this_thread::sleep_for(20ms);
  return !stopping;
}

Responder Page(std::string body, std::string status, std::string headers) {
  return [=](Connection& c, const Request&) {
    c.keepAlive =
        c.Send("HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
               "\r\n" + headers + "\r\n" + body);
  };
}

Responder Raw(std::string bytes) {
  return [bytes](Connection& c, const Request&) { c.Send(bytes); };
}

Responder Silent() {
  return [](Connection& c, const Request&) { c.Pause(24h); };
}

TestServer::TestServer(std::map<std::string, Responder> routes, const char* host)
    : m_routes(std::move(routes)) {
  m_routes.try_emplace("", Raw(""));  // unknown paths: closed unanswered
  addrinfo hints{AI_NUMERICHOST, AF_UNSPEC, SOCK_STREAM}, *address = nullptr;
  getaddrinfo(host, "0", &hints, &address);
  m_listener = static_cast<int>(socket(address->ai_family, SOCK_STREAM, 0));
  bind(m_listener, address->ai_addr, address->ai_addrlen);
  listen(m_listener, 16);
  freeaddrinfo(address);
  const std::string name = host;
  m_base = "http://" + (name.find(':') == name.npos ? name : "[" + name + "]") + ":" +
           std::to_string(PortOf(m_listener, false)) + "/";
  m_acceptor = std::thread([this] {
    for (int client; WaitReadable(m_listener, m_stopping);) {
      if ((client = static_cast<int>(accept(m_listener, nullptr, nullptr))) < 0) continue;
      std::lock_guard lock(m_mutex);
      m_threads.emplace_back(&TestServer::Serve, this, Connection{client, m_stopping, true});
    }
  });
}

TestServer::~TestServer() {
  m_stopping = true;
  m_acceptor.join();
  CloseSocket(m_listener);
  for (std::thread& thread : m_threads) thread.join();
}

// One request after another on a connection, as long as the responders keep it open.
void TestServer::Serve(Connection connection) {
  char buffer[4096];
  while (connection.keepAlive) {
    Request request{{}, PortOf(connection.socket, true)};
    while (request.head.find("\r\n\r\n") == std::string::npos) {
      const ssize_t n = WaitReadable(connection.socket, m_stopping)
                            ? recv(connection.socket, buffer, sizeof buffer, 0)
                            : 0;
      if (n <= 0) return (void)CloseSocket(connection.socket);
      request.head.append(buffer, static_cast<size_t>(n));
    }
    std::unique_lock lock(m_mutex);
    m_requests.push_back(request);
    lock.unlock();
    const std::string path = request.Target().substr(0, request.Target().find('?'));
    connection.keepAlive = false;
    m_routes.at(m_routes.contains(path) ? path : "")(connection, request);
  }
  CloseSocket(connection.socket);
}

std::vector<Request> TestServer::Requests() const {
  std::lock_guard lock(m_mutex);
  return m_requests;
}

int TestServer::Count(std::string_view pathPrefix) const {
  int n = 0;
  for (const Request& r : Requests()) n += r.Target().starts_with(pathPrefix);
  return n;
}

std::string ReadTestData(const std::string& name) {
  std::ifstream in(std::string(QUILLON_TEST_DATA) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}
