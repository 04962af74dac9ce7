// Reading log records from a file with resynchronisation. A word that holds
// the sync word is taken for a sync mark wherever it stands: the reader skips
// the count of bytes that follows it, so a reader that lost its place is
// aligned again at the end of the next sync record.
#pragma once

#include "kxlog/logrec.h"

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

class LogReader {
public:
  LogReader() = default;
  ~LogReader();
  LogReader(const LogReader &) = delete;
  LogReader &operator=(const LogReader &) = delete;

  // Opens `path` for reading; false (errno set) when it cannot.
  bool open(const std::string &path);
  void close();
  bool is_open() const { return fd_ >= 0; }

  // The next record: its data length (the header's length rounded up to a
  // multiple of 4), or -1 at the end of the file. A record cut off by the end
  // of the file is not consumed, so a reader that follows a growing file
  // reads it whole once the rest has been written.
  int get(kxlogrec &header, std::vector<uint8_t> &data);
  // The same without a copy: `data` points into the reader's buffer and stays
  // valid until the next read or seek.
  int get(kxlogrec &header, const uint8_t *&data);

  // Byte offset of the next record to read, and the file's inode.
  off_t offset() const { return offset_; }
  ino_t inode() const { return inode_; }
  // Moves the read position to `offset` (a record boundary).
  bool seek(off_t offset);
  // Sync marks crossed so far (each sync record counts once per mark read).
  long syncs_crossed() const { return syncs_; }

private:
  enum Read { kEnd = -1, kSynced = 0, kDelivered = 1 };
  // n bytes at the read position, consumed; *at points to them in buf_.
  Read lread(size_t n, const uint8_t **at);
  bool fill(size_t n);      // at least n bytes buffered; false at end of file
  bool skip(size_t n);      // consumes n bytes
  void skip_sync_count();   // after a sync word: its count word and the bytes it names
  void report_once(bool &done, const char *message);

  int fd_ = -1;
  ino_t inode_ = 0;
  std::vector<uint8_t> buf_;
  size_t pos_ = 0, end_ = 0; // unread bytes are buf_[pos_, end_)
  off_t offset_ = 0;         // file offset of buf_[pos_]
  long syncs_ = 0;
  bool told_rounding_ = false, told_import_ = false, told_restarts_ = false;
};
