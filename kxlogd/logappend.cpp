#include "logappend.h"

#include "kxu/report.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kxlogd {

LogAppender::~LogAppender() { close(); }

bool LogAppender::open(const std::string &path, uint32_t origin) {
  close();
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd_ < 0) return false;
  path_ = path;
  ++generation_;
  written_ = 0;
  buf_.clear();
  // A file left at an odd length (a writer that died mid-record) is padded,
  // so that our records start on word boundaries; the sync record that
  // follows lets readers find their place again.
  const off_t end = lseek(fd_, 0, SEEK_END);
  struct stat st {};
  inode_ = fstat(fd_, &st) == 0 ? uint64_t(st.st_ino) : 0;
  start_ = end > 0 ? uint64_t(end) : 0;
  if (end > 0 && end % 4) {
    error(0, 0, "log_add: log file no aligned: rounding");
    buf_.assign(size_t(4 - end % 4), 0);
  }
  const uint32_t now = uint32_t(time(nullptr));
  kxlogrec sync;
  sync.type = LOG_TYPE_SYNC;
  sync.time = now;
  add(sync, log_sync_data());
  kxlogrec started;
  started.format = LOG_FMT_SYSTEM;
  started.origin = origin;
  started.time = now;
  add(started, logsys_data(LOGSYS_SENDING, "localhost"));
  flush();
  return true;
}

void LogAppender::close() {
  if (fd_ < 0) return;
  flush();
  ::close(fd_);
  fd_ = -1;
  buf_.clear();
  inode_ = start_ = written_ = 0;
}

bool LogAppender::add(kxlogrec header, const uint8_t *data, size_t length) {
  if (length > LOG_MAX_EXPORT || length % 4) {
    error(0, 0, "log_add:log data export failed");
    return false;
  }
  header.length = uint16_t(length);
  uint8_t raw[LOG_HEADER_SIZE];
  kxlogrec2x(header, raw);
  buf_.insert(buf_.end(), raw, raw + LOG_HEADER_SIZE);
  buf_.insert(buf_.end(), data, data + length);
  return true;
}

bool LogAppender::flush() {
  if (fd_ < 0 || buf_.empty()) return fd_ >= 0;
  size_t done = 0;
  while (done < buf_.size()) {
    const ssize_t w = ::write(fd_, buf_.data() + done, buf_.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      if (!told_write_) error(0, -1, "log_add:writev failed");
      told_write_ = true;
      buf_.erase(buf_.begin(), buf_.begin() + ptrdiff_t(done));
      written_ += done;
      return false;
    }
    done += size_t(w);
  }
  written_ += done;
  buf_.clear();
  told_write_ = false;
  return true;
}

bool LogAppender::sync() { return flush() && fsync(fd_) == 0; }

} // namespace kxlogd
