// A log file written by a server or a collector: records gather in a buffer
// and reach the file in large writes, each a whole number of records, so
// that a reader following the file never meets a torn record for long and a
// busy server makes few system calls.
#pragma once

#include "kxlog/logrec.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kxlogd {

class LogAppender {
public:
  LogAppender() = default;
  ~LogAppender();
  LogAppender(const LogAppender &) = delete;
  LogAppender &operator=(const LogAppender &) = delete;

  // Opens `path` for appending (first moving the end up to a multiple of 4)
  // and begins the opening with a sync record and the log-system record
  // "started sending log to localhost" of `origin`. Each opening counts one
  // generation up. False (errno set) when the file cannot be opened.
  bool open(const std::string &path, uint32_t origin);
  // Writes what is buffered and closes.
  void close();
  bool is_open() const { return fd_ >= 0; }
  const std::string &path() const { return path_; }
  uint64_t generation() const { return generation_; }

  // Buffers one record (the header's length is set from the data); false
  // when the data is longer than a record may be or not a multiple of 4.
  bool add(kxlogrec header, const uint8_t *data, size_t length);
  bool add(const kxlogrec &header, const std::vector<uint8_t> &data) {
    return add(header, data.data(), data.size());
  }
  // Buffers whole records exactly as a log file stores them (the caller
  // has checked their lengths).
  void add_raw(const uint8_t *records, size_t n) { buf_.insert(buf_.end(), records, records + n); }
  // Buffered bytes; the owner flushes when it pleases, at the latest when
  // this passes flush_threshold().
  size_t pending() const { return buf_.size(); }
  static constexpr size_t flush_threshold() { return 1 << 20; }
  // Writes the buffer; false (with a report) when the write failed, in which
  // case the buffer is kept for the next try.
  bool flush();
  // Flushes and forces the file to disk.
  bool sync();

  uint64_t written() const { return written_; } // bytes written since opening
  // The file's inode and its length after what was written (0, 0 when closed).
  uint64_t inode() const { return inode_; }
  uint64_t end() const { return start_ + written_; }

private:
  int fd_ = -1;
  std::string path_;
  std::vector<uint8_t> buf_;
  uint64_t generation_ = 0;
  uint64_t written_ = 0;
  uint64_t inode_ = 0, start_ = 0;
  bool told_write_ = false;
};

} // namespace kxlogd
