#include "kxsys/conn.h"

#include "kxsys/alist.h"
#include "kxsys/comm.h"
#include "kxsys/errors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kxsys {

namespace {
void set_nonblocking(int fd) {
  int flags = fcntl(fd, F_GETFL, 0);
  fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

sockaddr_in make_addr(uint32_t address, int port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(uint16_t(port));
  sa.sin_addr.s_addr = htonl(address);
  return sa;
}
} // namespace

std::string kx_dotted(uint32_t a) {
  return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 255) + "." +
         std::to_string((a >> 8) & 255) + "." + std::to_string(a & 255);
}

bool kx_resolve(const std::string &host, uint32_t &addr) {
  if (host.empty())
    return false;
  if (host[0] >= '0' && host[0] <= '9') {
    in_addr in{};
    if (inet_pton(AF_INET, host.c_str(), &in) != 1 || in.s_addr == INADDR_NONE)
      return false;
    addr = ntohl(in.s_addr);
    return true;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo *res = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &res) != 0 || !res)
    return false;
  addr = ntohl(reinterpret_cast<sockaddr_in *>(res->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(res);
  return true;
}

// The connect is bounded by polling a non-blocking socket rather than by
// SIGALRM, so that it needs no process-wide signal handler and works the
// same on every thread.
int kx_get_connected_tcp(uint32_t address, int port, int seconds) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return -1;
  set_nonblocking(fd);
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in sa = make_addr(address, port);
  int rc = connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa);
  if (rc < 0 && errno == EINPROGRESS) {
    pollfd p{fd, POLLOUT, 0};
    int n;
    do
      n = poll(&p, 1, seconds * 1000);
    while (n < 0 && errno == EINTR);
    if (n == 0) {
      close(fd);
      errno = EAGAIN;
      return -1;
    }
    int err = 0;
    socklen_t len = sizeof err;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
    rc = n < 0 ? -1 : (err ? (errno = err, -1) : 0);
  }
  if (rc < 0) {
    int saved = errno;
    close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

int kx_callsocket(const std::string &host, int port, int seconds) {
  uint32_t addr = 0;
  if (!kx_resolve(host, addr)) {
    errno = ENOENT;
    return -1;
  }
  int fd = kx_get_connected_tcp(addr, port, seconds);
  if (fd < 0)
    return -1;
  herror(0, 0, "Put magic number %0x", KX_VERSION);
  if (!writeint(fd, int32_t(KX_VERSION))) {
    herror(0, -1, "kxauth: write magic number failed");
    close(fd);
    return -1;
  }
  return fd;
}

int kx_establish(uint32_t address, int port, int flags, int *bound_port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return -1;
  if (flags & 4) {
    int one = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) < 0)
      herror(0, -1, "SO_REUSEADDR: failed");
  }
  sockaddr_in sa = make_addr(address, port);
  // A backlog of 128 rather than 5: a burst of clients waits in the queue
  // instead of being refused or retried a second later.
  if (bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) < 0 || listen(fd, 128) < 0) {
    int saved = errno;
    close(fd);
    errno = saved;
    return -1;
  }
  if (bound_port) {
    socklen_t len = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr *>(&sa), &len);
    *bound_port = ntohs(sa.sin_port);
  }
  return fd;
}

bool kx_read_version(int fd) {
  int32_t v = 0;
  if (!readint(fd, v))
    return false;
  herror(0, 0, "Got a magic number %08x", uint32_t(v));
  kx_peer_version = uint32_t(v);
  return true;
}

uint32_t kx_client_version() { return kx_peer_version; }

int kx_get_connection(int listener, uint32_t *peer_address) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  int fd = accept4(listener, reinterpret_cast<sockaddr *>(&sa), &len, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0)
    return -1;
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (peer_address)
    *peer_address = ntohl(sa.sin_addr.s_addr);
  if (!kx_read_version(fd)) {
    close(fd);
    return -1;
  }
  return fd;
}

uint32_t kx_peer_address(int fd) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (getpeername(fd, reinterpret_cast<sockaddr *>(&sa), &len) < 0)
    return 0;
  return ntohl(sa.sin_addr.s_addr);
}

uint32_t kx_local_address(int fd) {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (getsockname(fd, reinterpret_cast<sockaddr *>(&sa), &len) < 0)
    return 0;
  return ntohl(sa.sin_addr.s_addr);
}

} // namespace kxsys
