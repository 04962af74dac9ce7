#include "kxlog/logwrite.h"

#include "kxu/report.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

LogWriter::~LogWriter() { close(); }

bool LogWriter::open(const std::string &path, bool truncate) {
  close();
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (truncate ? O_TRUNC : 0),
               0644);
  size_ = 0;
  return fd_ >= 0;
}

void LogWriter::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

namespace {
bool write_all(int fd, iovec *iov, int n) {
  while (n > 0) {
    ssize_t w = writev(fd, iov, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    while (n > 0 && size_t(w) >= iov->iov_len) {
      w -= ssize_t(iov->iov_len);
      ++iov;
      --n;
    }
    if (n > 0) {
      iov->iov_base = static_cast<char *>(iov->iov_base) + w;
      iov->iov_len -= size_t(w);
    }
  }
  return true;
}
} // namespace

bool LogWriter::align() {
  const off_t end = lseek(fd_, 0, SEEK_END);
  if (end < 0 || end % 4 == 0) return end >= 0;
  if (!told_align_) {
    told_align_ = true;
    error(0, 0, "log_add: log file no aligned: rounding");
  }
  static const uint8_t zeros[4] = {};
  iovec pad{const_cast<uint8_t *>(zeros), size_t(4 - end % 4)};
  return write_all(fd_, &pad, 1);
}

long LogWriter::add(kxlogrec header, const uint8_t *data, size_t length) {
  if (fd_ < 0) return 0;
  if (length > LOG_MAX_EXPORT || length % 4) {
    error(0, 0, "log_add:log data export failed");
    return -1;
  }
  header.length = uint16_t(length);
  uint8_t raw[LOG_HEADER_SIZE];
  kxlogrec2x(header, raw);
  if (!align()) return 0;
  iovec iov[2] = {{raw, sizeof raw}, {const_cast<uint8_t *>(data), length}};
  if (!write_all(fd_, iov, length ? 2 : 1)) {
    error(0, -1, "log_add:writev failed");
    return 0;
  }
  size_ += LOG_HEADER_SIZE + length;
  return long(LOG_HEADER_SIZE + length);
}

bool LogWriter::add_sync(uint32_t now) {
  kxlogrec h;
  h.type = LOG_TYPE_SYNC;
  h.time = now;
  const std::vector<uint8_t> data = log_sync_data();
  if (add(h, data) <= 0) return false;
  return fsync(fd_) == 0;
}
