// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "web/proxy_route.h"
#include "web/system_proxy.h"

extern char** environ;

namespace {

// libproxy's own tool, which answers each address it reads with a line of proxies, as the desktop's
// settings say at that moment; coreutils' stdbuf makes it write each line as it has it. It runs
// in a process of its own because libproxy fetches a script with no time-out of its own: a lookup
// that hangs there is ended outright, with everything it holds, and the next one starts afresh.
constexpr const char* kHelper[] = {"/usr/bin/stdbuf", "-oL", "/usr/bin/proxy", nullptr};
constexpr auto kPoll = std::chrono::milliseconds(20);

// The helper process, started when first asked and kept while it answers in time.
class Helper final {
 public:
  // The helper's line for `url`, or nothing when none came before `deadline` or `cancelled()`,
  // or no helper could be started; the helper is then ended.
  std::optional<std::string> Ask(const std::string& url,
                                 std::chrono::steady_clock::time_point deadline,
                                 const std::function<bool()>& cancelled) {
    if (m_pid < 0 && !Start()) return std::nullopt;
    const std::string line = url + "\n";
    if (send(m_socket, line.data(), line.size(), MSG_NOSIGNAL) != ssize_t(line.size())) {
      return Stop();
    }
    for (std::size_t end; (end = m_read.find('\n')) == std::string::npos;) {
      const auto left = deadline - std::chrono::steady_clock::now();
      if (cancelled() || left <= left.zero()) return Stop();
      pollfd readable{m_socket, POLLIN, 0};
      const auto slice = std::chrono::duration_cast<std::chrono::milliseconds>(left) +
                         std::chrono::milliseconds(1);
      if (poll(&readable, 1, static_cast<int>(std::min(slice, kPoll).count())) <= 0) continue;
      char buffer[4096];
      const ssize_t n = recv(m_socket, buffer, sizeof buffer, 0);
      if (n <= 0) return Stop();
      m_read.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t end = m_read.find('\n');
    std::string answer = m_read.substr(0, end);
    m_read.erase(0, end + 1);
    return answer;
  }

 private:
  // The helper, in a process group of its own (libproxy starts a reader of GNOME's settings),
  // talking over a socket, which a helper that has gone cannot turn into a SIGPIPE here.
  bool Start() {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    const int failed = posix_spawn(&m_pid, kHelper[0], &actions, &attributes,
                                   const_cast<char* const*>(kHelper), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (failed != 0) {
      m_pid = -1;
      close(ends[0]);
      return false;
    }
    m_socket = ends[0];
    return true;
  }

  std::nullopt_t Stop() {
    if (m_pid > 0) {
      kill(-m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
    if (m_socket >= 0) close(m_socket);
    m_pid = m_socket = -1;
    m_read.clear();
    return std::nullopt;
  }

  pid_t m_pid = -1;
  int m_socket = -1;
  std::string m_read;  // what came after the last line taken
};

// libproxy's SOCKS names and libcurl's. SOCKS asks the proxy to resolve host names, since the
// catalogue's name may be known only beyond it; a plain socks:// is either version, offered as 5,
// then 4a, then 4, as the desktop's own resolver offers them.
constexpr std::pair<std::string_view, std::string_view> kSocks[] = {{"socks", "socks5h"},
                                                                    {"socks", "socks4a"},
                                                                    {"socks", "socks4"},
                                                                    {"socks5", "socks5h"},
                                                                    {"socks4", "socks4a"}};

// `proxy` as libcurl takes it, added to `ways`. libproxy puts the desktop's HTTP-proxy login on
// every proxy it names; as the desktop's own resolver, it is kept only on the HTTP proxy of an
// http address.
void AddForCurl(std::string_view proxy, bool httpAddress, std::vector<std::string>& ways) {
  if (proxy.starts_with("direct://")) return ways.emplace_back(), void();
  const std::string_view scheme = proxy.substr(0, proxy.find("://"));
  if (scheme == "http" && httpAddress) return ways.emplace_back(proxy), void();
  const std::string bare = Module1::WithoutLogin(std::string(proxy));
  const std::size_t before = ways.size();
  for (const auto& [from, to] : kSocks) {
    if (scheme == from) ways.push_back(std::string(to) + bare.substr(scheme.size()));
  }
  if (ways.size() == before) ways.push_back(bare);
}

}  // namespace

std::vector<std::string> SystemProxiesFor(const std::string& url, std::chrono::milliseconds wait,
                                          const std::function<bool()>& cancelled) {
  static std::timed_mutex mutex;
  static Helper& helper = *new Helper;  // its process ends when this process's end closes it
  const auto deadline = std::chrono::steady_clock::now() + wait;
  const std::unique_lock lock(mutex, deadline);
  if (!lock || url.find_first_of("\r\n") != std::string::npos) return {""};
  const std::optional<std::string> answer = helper.Ask(url, deadline, cancelled);
  std::vector<std::string> ways;
  for (std::size_t at = 0; answer && at < answer->size();) {
    const std::size_t end = std::min(answer->find(' ', at), answer->size());
    if (end > at)
      AddForCurl(std::string_view(*answer).substr(at, end - at), url.starts_with("http:"), ways);
    at = end + 1;
  }
  if (ways.empty()) ways.emplace_back();
  return ways;
}
