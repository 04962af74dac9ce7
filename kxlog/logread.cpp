#include "kxlog/logread.h"

#include "kxu/report.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr size_t kBufferSize = 1 << 20; // large sequential reads
constexpr int kMaxRestarts = 100;
// The sync word as it lies in the file, for comparing raw words.
constexpr uint32_t kRawSync =
    std::endian::native == std::endian::little ? __builtin_bswap32(LOG_SYNC_WORD) : LOG_SYNC_WORD;
// A real sync mark is followed by 56, 48, ... 0.
bool plausible_sync_count(uint32_t count) { return count <= 56 && count % 8 == 0; }
} // namespace

LogReader::~LogReader() { close(); }

bool LogReader::open(const std::string &path) {
  close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st {};
  if (fstat(fd_, &st) == 0) inode_ = st.st_ino;
  buf_.resize(kBufferSize);
  return true;
}

void LogReader::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  pos_ = end_ = 0;
  offset_ = 0;
  syncs_ = 0;
}

bool LogReader::seek(off_t offset) {
  if (fd_ < 0 || lseek(fd_, offset, SEEK_SET) < 0) return false;
  pos_ = end_ = 0;
  offset_ = offset;
  return true;
}

bool LogReader::fill(size_t n) {
  if (end_ - pos_ >= n) return true;
  if (pos_ > 0) {
    std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  if (buf_.size() < n) buf_.resize(n);
  while (end_ < n) {
    const ssize_t got = ::read(fd_, buf_.data() + end_, buf_.size() - end_);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    end_ += size_t(got);
  }
  return true;
}

bool LogReader::skip(size_t n) {
  while (n > 0) {
    if (!fill(std::min(n, kBufferSize))) {
      // Everything that is there is gone; the rest lies past the end.
      offset_ += off_t(end_ - pos_);
      pos_ = end_;
      return false;
    }
    const size_t step = std::min(n, end_ - pos_);
    pos_ += step;
    offset_ += off_t(step);
    n -= step;
  }
  return true;
}

void LogReader::skip_sync_count() {
  ++syncs_;
  if (!fill(4)) return;
  const uint32_t count = be32(buf_.data() + pos_);
  pos_ += 4;
  offset_ += 4;
  // A sync word met by chance inside data may be followed by anything; a
  // count no sync record holds would throw away up to 4 GB of good records.
  if (plausible_sync_count(count)) skip(count);
}

LogReader::Read LogReader::lread(size_t n, const uint8_t **at) {
  if (n < 4) {
    *at = buf_.data() + pos_;
    return kSynced;
  }
  // A sync mark in what is there counts even when the file ends before n
  // bytes: a bogus length must not hide the sync record that follows it.
  const bool whole = fill(n);
  const size_t have = std::min(n, end_ - pos_) & ~size_t(3);
  const uint8_t *p = buf_.data() + pos_;
  constexpr uint32_t sync = kRawSync;
  size_t off = 0;
  // Four words at a time without a branch each: the scan runs over every
  // byte of the file.
  for (; off + 16 <= have; off += 16) {
    uint32_t w[4];
    std::memcpy(w, p + off, 16);
    if ((w[0] == sync) | (w[1] == sync) | (w[2] == sync) | (w[3] == sync)) break;
  }
  for (; off < have; off += 4) {
    uint32_t w;
    std::memcpy(&w, p + off, 4);
    if (w == sync) {
      pos_ += off + 4;
      offset_ += off_t(off + 4);
      skip_sync_count();
      return kSynced;
    }
  }
  if (!whole) return kEnd;
  *at = p;
  pos_ += n;
  offset_ += off_t(n);
  return kDelivered;
}

void LogReader::report_once(bool &done, const char *message) {
  if (done) return;
  done = true;
  error(0, 0, "%s", message);
}

int LogReader::get(kxlogrec &header, std::vector<uint8_t> &data) {
  const uint8_t *view = nullptr;
  const int len = get(header, view);
  if (len < 0) return len;
  data.assign(view, view + len);
  return len;
}

int LogReader::get(kxlogrec &header, const uint8_t *&data) {
  if (fd_ < 0) return -1;
  int restarts = 0;
  for (;;) {
    const off_t start = offset_;
    const uint8_t *raw = nullptr;
    const Read h = lread(LOG_HEADER_SIZE, &raw);
    if (h == kEnd) return -1;
    if (h == kSynced) continue;
    header = x2kxlogrec(raw);
    size_t len = header.length;
    if (len % 4) {
      report_once(told_rounding_, "log_get: len is not a multiple of 4. rounding");
      len = (len + 3) & ~size_t(3);
    }
    if (len > LOG_MAX_READ) {
      // Longer than any record a writer makes: this is no header. Read on
      // word by word until the next sync mark instead of skipping up to
      // 64 KB of what may be good records.
      report_once(told_import_, "log_get: failed to import log data");
      continue;
    }
    data = raw + LOG_HEADER_SIZE; // no bytes are read for an empty record
    if (len == 0) return 0;
    const Read d = lread(len, &data);
    if (d == kEnd) {
      seek(start); // a record still being written: read it whole later
      return -1;
    }
    if (d == kSynced) {
      if (++restarts == kMaxRestarts)
        report_once(told_restarts_, "log_get: too many sync marks inside records");
      continue;
    }
    return int(len);
  }
}
