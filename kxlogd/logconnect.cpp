#include "logconnect.h"

#include "logproto.h"

#include "kxsys/auth.h"
#include "kxsys/comm.h"
#include "kxsys/conn.h"

#include "kxlog/logrec.h"

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

namespace {
int connect_with(const std::string &server, int port, int seconds, uint32_t version,
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
  if (!kxsys::writeint(fd, int32_t(version))) {
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

bool read_within(int fd, uint8_t *out, size_t n, int seconds) {
  size_t got = 0;
  int waited = 0;
  while (got < n) {
    const ssize_t r = ::read(fd, out + got, n - got);
    if (r > 0) {
      got += size_t(r);
      continue;
    }
    if (r == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) return false;
    if (waited >= seconds * 1000) return false;
    pollfd p{fd, POLLIN, 0};
    poll(&p, 1, 100);
    waited += 100;
  }
  return true;
}

uint64_t be64(const uint8_t *p) { return uint64_t(::be32(p)) << 32 | ::be32(p + 4); }
} // namespace

int log_connect_server(const std::string &server, int port, int seconds, bool acks,
                       std::string &why, uint32_t source) {
  return connect_with(server, port, seconds, acks ? LOG_VERSION_ACK : LOG_VERSION, why, source);
}

int log_connect_resuming(const std::string &server, int port, int seconds, uint64_t client,
                         LogResumePoint &point, std::string &why, uint32_t source) {
  point = {};
  int fd = connect_with(server, port, seconds, LOG_VERSION_RESUME, why, source);
  if (fd < 0) {
    // Refused before the handshake was over: perhaps a server that knows
    // only acknowledgements.
    if (why == "Authentication for log failed")
      return connect_with(server, port, seconds, LOG_VERSION_ACK, why, source);
    return -1;
  }
  uint8_t word[8];
  ::put_be32(word, uint32_t(client >> 32));
  ::put_be32(word + 4, uint32_t(client));
  uint8_t answer[LOG_RESUME_SIZE];
  if (::send(fd, word, sizeof word, MSG_NOSIGNAL) != ssize_t(sizeof word) ||
      !read_within(fd, answer, sizeof answer, seconds) || ::be32(answer) != LOG_RESUME_WORD) {
    why = "no resume answer";
    ::close(fd);
    return -1;
  }
  point.book = be64(answer + 4);
  point.last = be64(answer + 12);
  return fd;
}

} // namespace kxlogd
