#include "logconnect.h"

#include "logproto.h"

#include "kxsys/auth.h"
#include "kxsys/comm.h"
#include "kxsys/conn.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <cstring>
#include <unistd.h>

namespace kxlogd {

namespace {
// A non-blocking connect bounded by poll, from `source` when it is set.
int connect_from(uint32_t source, uint32_t addr, int port, int seconds) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  if (source) {
    sa.sin_addr.s_addr = htonl(source);
    if (bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
      const int e = errno;
      ::close(fd);
      errno = e;
      return -1;
    }
  }
  sa.sin_addr.s_addr = htonl(addr);
  sa.sin_port = htons(uint16_t(port));
  int rc = connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa);
  if (rc < 0 && errno == EINPROGRESS) {
    pollfd p{fd, POLLOUT, 0};
    int n;
    do n = poll(&p, 1, seconds * 1000);
    while (n < 0 && errno == EINTR);
    int err = n == 0 ? ETIMEDOUT : 0;
    socklen_t len = sizeof err;
    if (n > 0) getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
    rc = err ? (errno = err, -1) : 0;
  }
  if (rc < 0) {
    const int e = errno;
    ::close(fd);
    errno = e;
    return -1;
  }
  return fd;
}
} // namespace

int log_connect_server(const std::string &server, int port, int seconds, bool acks,
                       std::string &why, uint32_t source) {
  uint32_t addr = 0;
  if (!kxsys::kx_resolve(server, addr)) {
    why = "cannot resolve " + server;
    return -1;
  }
  const int fd = connect_from(source, addr, port, seconds);
  if (fd < 0) {
    why = std::strerror(errno);
    return -1;
  }
  if (!kxsys::writeint(fd, int32_t(acks ? LOG_VERSION_ACK : LOG_VERSION))) {
    why = "cannot send the version word";
    ::close(fd);
    return -1;
  }
  if (kxsys::kx_auth_identify(fd) != 1) {
    why = "Authentication for log failed";
    ::close(fd);
    return -1;
  }
  return fd;
}

} // namespace kxlogd
