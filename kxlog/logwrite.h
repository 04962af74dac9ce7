// Appending records to a log file: every record starts on a multiple of 4,
// and a sync record marks each opening so that readers can find their place.
#pragma once

#include "kxlog/logrec.h"

#include <cstdint>
#include <string>
#include <vector>

class LogWriter {
public:
  LogWriter() = default;
  ~LogWriter();
  LogWriter(const LogWriter &) = delete;
  LogWriter &operator=(const LogWriter &) = delete;

  // Opens (creating) `path` for appending, or truncates it first with
  // `truncate`; false (errno set) on failure.
  bool open(const std::string &path, bool truncate = false);
  void close();
  bool is_open() const { return fd_ >= 0; }

  // Appends one record; the header's length is set from `data`. Returns the
  // bytes written (16 + length), -1 when the data is longer than a record may
  // be, 0 when the write failed.
  long add(kxlogrec header, const uint8_t *data, size_t length);
  long add(const kxlogrec &header, const std::vector<uint8_t> &data) {
    return add(header, data.data(), data.size());
  }
  // Pads to a multiple of 4, appends a sync record made at `now` and forces
  // the file to disk.
  bool add_sync(uint32_t now);

  uint64_t size() const { return size_; } // bytes written since opening

private:
  bool align();

  int fd_ = -1;
  uint64_t size_ = 0;
  bool told_align_ = false;
};
