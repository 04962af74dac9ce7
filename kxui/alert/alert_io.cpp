#include "kxui/alert/alert.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

bool write_all(int fd, const char *p, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

bool copy(int in, int out) {
  char buf[4096];
  for (;;) {
    const ssize_t r = ::read(in, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return false;
    if (r == 0) return true;
    if (!write_all(out, buf, static_cast<size_t>(r))) return false;
  }
}

} // namespace

int make_client(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int make_server(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(fd, 64) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int alert_send(int fd, const std::vector<std::string> &args, int in) {
  for (const std::string &a : args)
    if (!write_all(fd, a.data(), a.size()) || !write_all(fd, "\n", 1)) return -1;
  return copy(in, fd) ? 0 : -1;
}

int alert_console(const std::string &path, const std::string &title,
                  const std::vector<std::string> &args, int in) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  const std::string head = "\a\a\a" + title + ": ";
  int rc = write_all(fd, head.data(), head.size()) ? 0 : -1;
  if (rc == 0) rc = alert_send(fd, args, in);
  ::close(fd);
  return rc;
}

void KxAlertLines::add_strings(const std::vector<std::string> &lines) {
  for (std::string l : lines) {
    if (!l.empty() && l.back() == '\n') l.pop_back();
    lines_.push_back(std::move(l));
  }
}
