#include "daemons.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kxtest {

int free_port() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(0x7f000101);
  bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa);
  socklen_t len = sizeof sa;
  getsockname(fd, reinterpret_cast<sockaddr *>(&sa), &len);
  close(fd);
  return ntohs(sa.sin_port);
}

namespace {
// Starts kxd and waits for its "listening" line; -1 when it did not come.
pid_t spawn_kxd(const std::string &address, int port, const std::string &dir) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0)
    return -1;
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, out[1], 1);
  std::string p = std::to_string(port);
  const char *argv[] = {KXD_PATH, "-a", address.c_str(), "-p", p.c_str(), "-d", dir.c_str(), nullptr};
  pid_t pid = -1;
  int rc = posix_spawn(&pid, KXD_PATH, &fa, nullptr, const_cast<char **>(argv), environ);
  posix_spawn_file_actions_destroy(&fa);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    return -1;
  }
  std::string line;
  pollfd pf{out[0], POLLIN, 0};
  while (line.find('\n') == std::string::npos && poll(&pf, 1, 10000) > 0) {
    char buf[256];
    ssize_t n = read(out[0], buf, sizeof buf);
    if (n <= 0)
      break;
    line.append(buf, size_t(n));
  }
  close(out[0]);
  if (line.find("listening") == std::string::npos) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
  }
  return pid;
}
} // namespace

Daemons::Daemons(int n, const std::string &control_map, const std::string &masters, int first,
                 const std::vector<std::pair<std::string, std::string>> &files) {
  for (int attempt = 0; attempt < 8 && !ok_; ++attempt)
    ok_ = start_all(control_map, masters, n, first, files);
}

bool Daemons::start_all(const std::string &control_map, const std::string &masters, int n, int first,
                        const std::vector<std::pair<std::string, std::string>> &files) {
  stop();
  port_ = free_port();
  for (int i = 0; i < n; ++i) {
    ModuleDaemon m;
    m.address = "127.0.1." + std::to_string(first + i);
    m.dir = std::make_unique<TempDir>();
    m.dir->write("control.map", control_map);
    m.dir->write("interfaces", "le0\nle1\n");
    if (!masters.empty())
      m.dir->write("masters", masters);
    for (const auto &[name, text] : files)
      m.dir->write(name, text);
    m.pid = spawn_kxd(m.address, port_, m.dir->path());
    bool started = m.pid > 0;
    mods_.push_back(std::move(m));
    if (!started)
      return false;
  }
  return true;
}

void Daemons::stop() {
  for (auto &m : mods_)
    if (m.pid > 0) {
      kill(m.pid, SIGTERM);
      int status = 0;
      for (int i = 0; i < 300 && waitpid(m.pid, &status, WNOHANG) == 0; ++i)
        usleep(10000);
      if (waitpid(m.pid, &status, WNOHANG) == 0) {
        kill(m.pid, SIGKILL);
        waitpid(m.pid, &status, 0);
      }
      m.pid = -1;
    }
  mods_.clear();
}

Daemons::~Daemons() { stop(); }

} // namespace kxtest
