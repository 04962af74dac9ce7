#include "kxsys/comm.h"

#include "kxsys/errors.h"

#include <algorithm>
#include <array>
#include <arpa/inet.h>
#include <sys/socket.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kxsys {

int kx_io_wait_ms = 25000;
int kx_io_wait_ret_ms = 12000;

namespace {
// Reads arrive in pieces of at most this, so a length that promises much and
// delivers little never costs more than what was really sent.
constexpr size_t kChunk = 64 * 1024;

enum class Io { ok, timeout, failed };

// Moves exactly len bytes, waiting at most wait_ms per stall.
Io raw_move(int fd, uint8_t *p, size_t len, bool reading, int wait_ms) {
  while (len > 0) {
    ssize_t n = reading ? read(fd, p, len) : send(fd, p, len, MSG_NOSIGNAL);
    if (n < 0 && errno == ENOTSOCK && !reading)
      n = write(fd, p, len);
    if (n > 0) {
      p += n;
      len -= size_t(n);
      continue;
    }
    if (n == 0 && reading) {
      errno = ECONNRESET;
      return Io::failed;
    }
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (reading)
        herror(0, 0, "going to wait for more %zu bytes", len);
      else
        herror(0, 0, "now can write (? bytes) on %d", fd);
      int rc = WaitOnFd(fd, reading ? 1 : 2, wait_ms);
      if (rc < 0) {
        herror(0, -1, "giving up on fd %d (rc=%d)", fd, rc);
        return Io::failed;
      }
      if (rc == 0) {
        herror(0, 0, "giving up on fd %d (rc=%d)", fd, rc);
        errno = EAGAIN;
        return Io::timeout;
      }
      continue;
    }
    return Io::failed;
  }
  return Io::ok;
}
} // namespace

struct kx_buffered_io::State {
  int fd = -1;
  Bytes out;
  std::array<uint8_t, 16384> in;
  size_t in_pos = 0, in_len = 0;
};

namespace {
thread_local kx_buffered_io::State *buffered = nullptr;

// Pending output goes out in one piece once it reaches this.
constexpr size_t kSendAt = 64 * 1024;

Io send_pending(kx_buffered_io::State &b, int wait_ms) {
  if (b.out.empty())
    return Io::ok;
  Io r = raw_move(b.fd, b.out.data(), b.out.size(), false, wait_ms);
  b.out.clear();
  return r;
}

// Fills the read-ahead buffer with what the socket holds (waiting, bounded,
// when it holds nothing yet).
Io refill(kx_buffered_io::State &b, int wait_ms) {
  for (;;) {
    ssize_t n = read(b.fd, b.in.data(), b.in.size());
    if (n > 0) {
      b.in_pos = 0;
      b.in_len = size_t(n);
      return Io::ok;
    }
    if (n == 0) {
      errno = ECONNRESET;
      return Io::failed;
    }
    if (errno == EINTR)
      continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK)
      return Io::failed;
    herror(0, 0, "going to wait for more bytes on %d", b.fd);
    int rc = WaitOnFd(b.fd, 1, wait_ms);
    if (rc <= 0) {
      herror(0, rc < 0 ? -1 : 0, "giving up on fd %d (rc=%d)", b.fd, rc);
      if (rc == 0)
        errno = EAGAIN;
      return rc == 0 ? Io::timeout : Io::failed;
    }
  }
}

Io move_bytes(int fd, uint8_t *p, size_t len, bool reading, int wait_ms) {
  kx_buffered_io::State *b = buffered;
  if (!b || b->fd != fd)
    return raw_move(fd, p, len, reading, wait_ms);
  if (!reading) {
    if (b->out.size() + len > kSendAt) {
      if (Io r = send_pending(*b, wait_ms); r != Io::ok)
        return r;
      if (len >= kSendAt)
        return raw_move(fd, p, len, false, wait_ms);
    }
    b->out.insert(b->out.end(), p, p + len);
    return Io::ok;
  }
  // The peer answers only what it has been sent.
  if (Io r = send_pending(*b, wait_ms); r != Io::ok)
    return r;
  while (len > 0) {
    if (b->in_pos < b->in_len) {
      size_t n = std::min(len, b->in_len - b->in_pos);
      memcpy(p, b->in.data() + b->in_pos, n);
      b->in_pos += n;
      p += n;
      len -= n;
      continue;
    }
    if (len >= b->in.size())
      return raw_move(fd, p, len, true, wait_ms);
    if (Io r = refill(*b, wait_ms); r != Io::ok)
      return r;
  }
  return Io::ok;
}
} // namespace

kx_buffered_io::kx_buffered_io(int fd) : state_(std::make_unique<State>()), outer_(buffered) {
  state_->fd = fd;
  buffered = state_.get();
}

kx_buffered_io::~kx_buffered_io() {
  send_pending(*state_, kx_io_wait_ms);
  buffered = outer_;
}

void kx_buffered_io::flush() {
  if (send_pending(*state_, kx_io_wait_ms) != Io::ok)
    kx_throw("cannot write buf to %d: %s", state_->fd, strerror(errno));
}

int WaitOnFd(int fd, int mode, int milliseconds) {
  herror(0, 0, "waiting on %d (%5d.%03d secs)", fd, milliseconds / 1000, milliseconds % 1000);
  pollfd p{fd, short(mode == 1 ? POLLIN : POLLOUT), 0};
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now()).count();
    int rc = poll(&p, 1, int(left < 0 ? 0 : left));
    if (rc < 0 && errno == EINTR)
      continue;
    if (rc <= 0)
      return rc;
    // Ready (or hung up / in error): report at least 1 so that the caller's
    // next read or write sees the end of file or the error itself.
    if (mode == 1) {
      int n = 0;
      if (ioctl(fd, FIONREAD, &n) == 0 && n > 0)
        return n;
    }
    return 1;
  }
}

int BytesToRead(int fd) {
  int n = 0;
  if (ioctl(fd, FIONREAD, &n) < 0)
    kx_throw("cannot ioctl(%d, FIONREAD, ...)", fd);
  if (buffered && buffered->fd == fd)
    n += int(buffered->in_len - buffered->in_pos);
  return n;
}

void _ReadBuf(int fd, void *dst, size_t len) {
  if (move_bytes(fd, static_cast<uint8_t *>(dst), len, true, kx_io_wait_ms) != Io::ok)
    kx_throw("cannot read buf from %d: %s", fd, strerror(errno));
}

void _WriteBuf(int fd, const void *src, size_t len) {
  auto *p = const_cast<uint8_t *>(static_cast<const uint8_t *>(src));
  if (move_bytes(fd, p, len, false, kx_io_wait_ms) != Io::ok)
    kx_throw("cannot write buf to %d: %s", fd, strerror(errno));
}

int32_t ReadInt(int fd) {
  uint8_t b[4];
  _ReadBuf(fd, b, 4);
  return int32_t(get_be32(b));
}

void WriteInt(int fd, int32_t v) {
  uint8_t b[4];
  put_be32(b, uint32_t(v));
  _WriteBuf(fd, b, 4);
}

namespace {
// Reads a buffer of len bytes in pieces, growing as data really arrives.
template <class ReadFn> bool read_growing(Bytes &out, size_t len, ReadFn read_exact) {
  out.clear();
  while (out.size() < len) {
    size_t piece = std::min(kChunk, len - out.size());
    size_t at = out.size();
    out.resize(at + piece);
    if (!read_exact(out.data() + at, piece))
      return false;
  }
  return true;
}
} // namespace

std::optional<Bytes> ReadBuf(int fd, int32_t cap) {
  int32_t len = ReadInt(fd);
  if (len == 0) {
    herror(0, 0, "got a zero len buffer");
    return std::nullopt;
  }
  if (len < 0 || len > cap)
    kx_throw("bad buffer length %d on fd %d", len, fd);
  Bytes out;
  read_growing(out, size_t(len), [fd](uint8_t *p, size_t n) {
    _ReadBuf(fd, p, n);
    return true;
  });
  return out;
}

void WriteBuf(int fd, const void *ptr, size_t len) {
  if (len > size_t(kMaxBuffer))
    kx_throw("buffer of %zu bytes is too long to send", len);
  WriteInt(fd, int32_t(len));
  if (len > 0)
    _WriteBuf(fd, ptr, len);
}

std::optional<std::string> ReadString(int fd) {
  auto b = ReadBuf(fd, kMaxString);
  if (!b)
    return std::nullopt;
  // The text ends at the first NUL (the sender's terminator).
  auto nul = std::find(b->begin(), b->end(), uint8_t(0));
  return std::string(b->begin(), nul);
}

void WriteString(int fd, const std::optional<std::string> &s) {
  if (!s) {
    WriteInt(fd, 0);
    return;
  }
  if (s->size() + 1 > size_t(kMaxString))
    kx_throw("string of %zu bytes is too long to send", s->size());
  WriteBuf(fd, s->c_str(), s->size() + 1);
}

std::vector<int32_t> ReadIntArray(int fd) {
  auto b = ReadBuf(fd);
  std::vector<int32_t> out;
  if (!b)
    return out;
  out.resize(b->size() / 4);
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = int32_t(get_be32(b->data() + 4 * i));
  return out;
}

void WriteIntArray(int fd, const std::vector<int32_t> &ints) {
  Bytes b(ints.size() * 4);
  for (size_t i = 0; i < ints.size(); ++i)
    put_be32(b.data() + 4 * i, uint32_t(ints[i]));
  WriteBuf(fd, b.data(), b.size());
}

int _readbuf(int fd, void *dst, size_t len) {
  Io r = move_bytes(fd, static_cast<uint8_t *>(dst), len, true, kx_io_wait_ret_ms);
  if (r == Io::timeout)
    errno = EAGAIN;
  if (r != Io::ok)
    herror(0, -1, "cannot read buf from %d", fd);
  return r == Io::ok;
}

int _writebuf(int fd, const void *src, size_t len) {
  auto *p = const_cast<uint8_t *>(static_cast<const uint8_t *>(src));
  Io r = move_bytes(fd, p, len, false, kx_io_wait_ret_ms);
  if (r == Io::timeout)
    errno = EAGAIN;
  if (r != Io::ok)
    herror(0, -1, "cannot write buf to %d", fd);
  return r == Io::ok;
}

int readint(int fd, int32_t &v) {
  uint8_t b[4];
  if (!_readbuf(fd, b, 4))
    return 0;
  v = int32_t(get_be32(b));
  return 1;
}

int writeint(int fd, int32_t v) {
  uint8_t b[4];
  put_be32(b, uint32_t(v));
  return _writebuf(fd, b, 4);
}

int readbuf(int fd, Bytes &out, int32_t cap) {
  int32_t len = 0;
  if (!readint(fd, len) || len <= 0 || len > cap)
    return 0;
  return read_growing(out, size_t(len), [fd](uint8_t *p, size_t n) { return _readbuf(fd, p, n) == 1; });
}

int writebuf(int fd, const void *ptr, size_t len) {
  if (len > size_t(kMaxBuffer) || !writeint(fd, int32_t(len)))
    return 0;
  return len == 0 || _writebuf(fd, ptr, len);
}

int readstring(int fd, std::string &out) {
  Bytes b;
  if (!readbuf(fd, b, kMaxString))
    return 0;
  auto nul = std::find(b.begin(), b.end(), uint8_t(0));
  out.assign(b.begin(), nul);
  return 1;
}

int writestring(int fd, const std::string &s) { return writebuf(fd, s.c_str(), s.size() + 1); }

void array_ntohl(int32_t *dst, const int32_t *src, size_t n) {
  for (size_t i = 0; i < n; ++i)
    dst[i] = int32_t(ntohl(uint32_t(src[i])));
}

void array_htonl(int32_t *dst, const int32_t *src, size_t n) {
  for (size_t i = 0; i < n; ++i)
    dst[i] = int32_t(htonl(uint32_t(src[i])));
}

} // namespace kxsys
