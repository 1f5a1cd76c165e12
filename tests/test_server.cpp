// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_server.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <stdexcept>

#include "web/module1.h"

// The one place where Windows and Linux differ: sockets and the heap's statistics.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
constexpr int MSG_NOSIGNAL = 0;
constexpr Socket kNoSocket = INVALID_SOCKET;
int CloseSocket(Socket socket) { return closesocket(socket); }
void SetBlocking(Socket s, bool blocking) {
  u_long nonBlocking = !blocking;
  ioctlsocket(s, FIONBIO, &nonBlocking);
}
int Poll(pollfd* fds, unsigned long n, int timeout) { return WSAPoll(fds, n, timeout); }
void StartSockets() {
  static const int started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
  }();
  if (started != 0) throw std::runtime_error("test server: Winsock did not start");
}

void SetVariable(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }

// Internet Options: the binary record WinHTTP reads.
void WriteSystemProxy(const SystemProxy& s) {
  SetVariable("no_proxy", ""), SetVariable("NO_PROXY", "");
  std::string proxy;
  for (const auto& [scheme, entry] :
       {std::pair{"http=", s.http}, {"https=", s.https}, {"socks=", s.socks}})
    if (!entry.empty()) proxy += (proxy.empty() ? "" : ";") + std::string(scheme) + entry;
  std::string bypass;
  for (const std::string& entry : s.bypass) bypass += (bypass.empty() ? "" : ";") + entry;
  std::string record;
  const auto put = [&record](DWORD value) { record.append(reinterpret_cast<char*>(&value), 4); };
  put(0x46), put(0), put(1 | (proxy.empty() ? 0 : 2) | (s.script.empty() ? 0 : 4));
  for (const std::string* text :
       std::initializer_list<const std::string*>{&proxy, &bypass, &s.script})
    put(DWORD(text->size())), record += *text;
  record.append(32, '\0');
  HKEY connections;
  RegCreateKeyExA(HKEY_CURRENT_USER,
                  "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections", 0,
                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &connections, nullptr);
  RegSetValueExA(connections, "DefaultConnectionSettings", 0, REG_BINARY,
                 reinterpret_cast<const BYTE*>(record.data()), DWORD(record.size()));
  RegCloseKey(connections);
}

std::size_t HeapInUse() {  // the C runtime's heap, which malloc and operator new use
  std::size_t used = 0;
  _HEAPINFO entry{};
  while (_heapwalk(&entry) == _HEAPOK) {
    if (entry._useflag == _USEDENTRY) used += entry._size;
  }
  return used;
}
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

constexpr Socket kNoSocket = -1;
int CloseSocket(Socket socket) { return close(socket); }
void SetBlocking(Socket s, bool blocking) { fcntl(s, F_SETFL, blocking ? 0 : O_NONBLOCK); }
void StartSockets() {}
void SetVariable(const char* name, const std::string& value) {
  value.empty() ? unsetenv(name) : setenv(name, value.c_str(), 1);
}

// GNOME's settings in gsettings' keyfile, written whole at once as the Settings panel does.
void WriteSystemProxy(const SystemProxy& s) {
  const std::string dir = std::string(std::getenv("XDG_CONFIG_HOME")) + "/glib-2.0/settings";
  SetVariable("no_proxy", ""), SetVariable("NO_PROXY", "");
  const std::size_t at = s.http.find('@'), colon = s.http.find(':');
  std::string ignore;
  for (const std::string& entry : s.bypass) ignore += (ignore.empty() ? "'" : ", '") + entry + "'";
  std::ostringstream file;
  file << "[system/proxy]\nmode='"
       << (!s.script.empty()                      ? "auto"
           : (s.http + s.https + s.socks).empty() ? "none"
                                                  : "manual")
       << "'\nignore-hosts=[" << ignore << "]\nautoconfig-url='" << s.script << "'\n";
  for (const auto& [scheme, entry] :
       {std::pair{"http", s.http.substr(at == s.http.npos ? 0 : at + 1)},
        {"https", s.https},
        {"socks", s.socks}}) {
    const std::size_t port = entry.rfind(':');
    if (!entry.empty())
      file << "[system/proxy/" << scheme << "]\nhost='" << entry.substr(0, port)
           << "'\nport=" << entry.substr(port + 1) << "\n";
    if (scheme == std::string("http") && at != s.http.npos)
      file << "use-authentication=true\nauthentication-user='" << s.http.substr(0, colon)
           << "'\nauthentication-password='" << s.http.substr(colon + 1, at - colon - 1) << "'\n";
  }
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/keyfile.new") << file.str();
  std::filesystem::rename(dir + "/keyfile.new", dir + "/keyfile");
}
int Poll(pollfd* fds, nfds_t n, int timeout) { return poll(fds, n, timeout); }

// Stands in for the C library's, as libcurl's resolver calls it.
extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                           addrinfo** found) {
  using Real = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
  static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "getaddrinfo"));
  if (node == nullptr || !std::string_view(node).ends_with(kNeverResolves))
    return real(node, service, hints, found);
  std::this_thread::sleep_for(std::chrono::minutes(1));
  return EAI_AGAIN;
}
std::size_t HeapInUse() { return mallinfo2().uordblks; }
#endif

namespace {

using namespace std::chrono_literals;

bool WaitReadable(Socket socket, const std::atomic<bool>& stopping) {
  pollfd p{static_cast<decltype(pollfd::fd)>(socket), POLLIN, 0};
  int ready = 0;
  while (!stopping && (ready = Poll(&p, 1, 20)) == 0) {
  }
  return ready > 0 && !stopping;
}

int PortOf(Socket socket, bool peer) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  (peer ? getpeername : getsockname)(socket, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);  // same place in IPv6
}

// Reads from the connection onto `into`; false when it ends or the server stops.
bool ReadMore(Connection& c, std::string& into) {
  char buffer[4096];
  const ssize_t n =
      WaitReadable(c.socket, c.stopping) ? recv(c.socket, buffer, sizeof buffer, 0) : 0;
  if (n > 0) into.append(buffer, static_cast<size_t>(n));
  return n > 0;
}

// A SOCKS 5 request (to a host name) or a 4a one, answered with success; a login offered, or a
// host named refused.*, is refused, as a proxy's rules may.
bool PassSocks(Connection& c, std::string& head) {
  const auto read = [&](std::size_t n) {
    while (head.size() < n && ReadMore(c, head)) continue;
    return head.size() >= n;
  };
  const auto byte = [&head](std::size_t i) { return static_cast<unsigned char>(head[i]); };
  const auto nul = [&head](std::size_t from) { return head.find('\0', from); };
  if (head[0] ==
      '\x04') {  // port, address 0.0.0.x, then a user id and the host, each ending in NUL
    while ((nul(8) == head.npos || nul(nul(8) + 1) == head.npos) && ReadMore(c, head)) continue;
    if (nul(8) == head.npos || nul(nul(8) + 1) == head.npos) return false;
    const bool refused = head.substr(nul(8) + 1).starts_with("refused.");
    head.erase(0, nul(nul(8) + 1) + 1);
    return c.Send(std::string(refused ? "\0\x5B" : "\0\x5A", 2) + std::string(6, '\0')) && !refused;
  }
  if (!read(2) || !read(2u + byte(1))) return false;
  const bool login = head.substr(2, byte(1)).find('\x02') != std::string::npos;
  head.erase(0, 2u + byte(1));
  if (!c.Send(std::string(login ? "\x05\xFF" : "\x05\x00", 2)) || login || !read(5) ||
      !read(7u + byte(4)))
    return false;
  const bool refused = head.substr(5, byte(4)).starts_with("refused.");
  head.erase(0, 7u + byte(4));
  return c.Send(std::string(refused ? "\x05\x02" : "\x05\x00", 2) +
                std::string("\x00\x01\0\0\0\0\0\0", 8)) &&
         !refused;
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
  StartSockets();
  addrinfo hints{};
  hints.ai_flags = AI_NUMERICHOST;
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* address = nullptr;
  if (getaddrinfo(host, "0", &hints, &address) != 0 || address == nullptr)
    throw std::runtime_error(std::string("test server: no address ") + host);
  m_listener = socket(address->ai_family, SOCK_STREAM, 0);
  const bool listening =
      m_listener != kNoSocket &&
      bind(m_listener, address->ai_addr, static_cast<socklen_t>(address->ai_addrlen)) == 0 &&
      listen(m_listener, 16) == 0;
  freeaddrinfo(address);
  if (!listening) throw std::runtime_error(std::string("test server: cannot listen on ") + host);
  SetBlocking(m_listener, false);  // or a connection lost after the poll holds accept, and the stop
  const std::string name = host;
  m_base = "http://" + (name.find(':') == name.npos ? name : "[" + name + "]") + ":" +
           std::to_string(PortOf(m_listener, false)) + "/";
  m_acceptor = std::thread([this] {
    for (Socket client; WaitReadable(m_listener, m_stopping);) {
      if ((client = accept(m_listener, nullptr, nullptr)) == kNoSocket) continue;
      SetBlocking(client, true);  // Windows hands it the listener's mode
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
  while (connection.keepAlive) {
    Request request{{}, PortOf(connection.socket, true)};
    while (request.head.find("\r\n\r\n") == std::string::npos) {
      if (!ReadMore(connection, request.head) ||
          ((request.head[0] == '\x04' || request.head[0] == '\x05') &&
           !PassSocks(connection, request.head))) {
        return (void)CloseSocket(connection.socket);
      }
    }
    std::unique_lock lock(m_mutex);
    m_requests.push_back(request);
    lock.unlock();
    std::string path = request.Target().substr(0, request.Target().find('?'));
    if (path.starts_with("http://")) path = path.substr(std::min(path.find('/', 7), path.size()));
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

std::optional<std::vector<std::string>> UseSystemProxy(
    const SystemProxy& settings, const std::string& url,
    const std::optional<std::vector<std::string>>& ways) {
  WriteSystemProxy(settings);
  // Asked outside any user action, whose decisions are kept.
  const auto ask = [&url, &ways] {
    auto now = Module1::ProxiesFor(url, 1s);
    for (int i = 0; now != ways && i < 1000; ++i, now = Module1::ProxiesFor(url, 1s))
      std::this_thread::sleep_for(10ms);
    return now;
  };
  return std::async(std::launch::async, ask).get();
}

std::string Unconnectable() {
  static const std::string address = [] {
    StartSockets();
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const Socket listener = socket(AF_INET, SOCK_STREAM, 0),
                 filler = socket(AF_INET, SOCK_STREAM, 0);
    bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at);
    listen(listener, 0);  // room for one connection, which `filler` takes
    at.sin_port = htons(static_cast<std::uint16_t>(PortOf(listener, false)));
    connect(filler, reinterpret_cast<sockaddr*>(&at), sizeof at);
    return "127.0.0.1:" + std::to_string(ntohs(at.sin_port));
  }();
  return address;
}

std::string ReadTestData(const std::string& name) {
  std::ifstream in(std::string(QUILLON_TEST_DATA) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string ResultEntry(const std::string& id, const std::string& title) {
  return "<a href=\"/entry/" + id + "/\"><div class=\"title\">" + title +
         "</div></a><div class=\"type\"><b>资源类型</b>: <i><img src='/static/img/emule.png'>"
         "<div class=\"total-size\"><b>文件大小</b>: <i>1 GB</i></div>";
}

std::string LinkBlock(const std::string& href, const std::string& name, const std::string& size) {
  return "<input type=\"checkbox\" value=\"v\" name=\"selectemule\"><a target=\"_blank\" href=\"" +
         href + "\">" + name + "</a>\" title=\"1\">" + size + "</td>";
}

std::string LinkPage(const std::string& link) { return "location.href='" + link + "'\","; }
