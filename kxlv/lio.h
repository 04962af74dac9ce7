// The log input object: reads a log file forward entry by entry, numbers the
// entries and remembers every sixteenth entry's file position and time in a
// block table, so that the viewer can page backwards and jump to an entry
// number or a time while the file is only ever read forward.
#pragma once

#include "kxlv/entry.h"

#include "kxlog/logread.h"
#include "kxlog/logstream.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

constexpr long KXLV_BLOCK = 16; // entries per block

struct kxlv_block {
  off_t offset = 0; // where the record of its first entry begins
  long first = 0;   // number of its first entry
  long recnum = 0;  // record number of that record (for the filter memory)
  uint32_t time = 0;
};

class kxlv_lio {
public:
  kxlv_lio();
  kxlv_lio(const kxlv_lio &) = delete;
  kxlv_lio &operator=(const kxlv_lio &) = delete;

  // Opens `path`; false (errno set) when it cannot. The table starts empty.
  bool open(const std::string &path);
  bool is_open() const { return reader_.is_open(); }
  const std::string &path() const { return path_; }

  // The next entry, or null at the end of the file. Valid until the next read.
  const kxlv_entry *nextent();
  // Steps over the next entry without making it: false at the end of the
  // file. Only the records that tell formats, identities and interface names
  // are interpreted; the rest need no more than their header.
  bool skipent(off_t *offset = nullptr, uint32_t *time = nullptr);
  // Reads the next 16 entries; -1 when the file ends first.
  int nextblock();
  // Positions before entry n: the file offset, or -1 (position at the end).
  off_t seek(long n);
  // Positions before the first entry whose time is later than t.
  off_t tseek(uint32_t t);
  // The block a time search starts from; null without blocks.
  const kxlv_block *bsearch(uint32_t t) const;
  // Seeks to the first entry of the last known block: its number (0 without blocks).
  long last();
  // Reads every remaining entry; the number of entries in the file.
  long count_all();

  long get_current_num() const { return cur_; }
  off_t getstate() const { return reader_.offset(); }
  // The file's size, or the current offset.
  off_t getpos(bool end) const;
  // The first entry number and the time of the block starting at `offset`;
  // all bits set when no block starts there.
  long getnum(off_t offset) const;
  uint32_t gettime(off_t offset) const;
  // Time of entry n, the position unchanged; -1 when there is no such entry.
  int64_t timeof(long n);
  // Entries known to exist (read at least once).
  long known() const { return known_; }
  bool at_end() const { return eof_; }

  const std::vector<kxlv_block> &blocks() const { return blocks_; }
  const LogHosts &hosts() { return stream_->hosts(); }

  // Following: what happened to the file at the path since the last check
  // (or the opening). kGrown records the new size as the size last seen.
  enum Change { kUnchanged, kGrown, kShrunk, kReplaced, kGone };
  Change check();
  off_t seen_size() const { return seen_size_; }

private:
  int setstate(off_t offset, uint32_t time);
  void on_shown(const log_shown &s);

  std::string path_;
  LogReader reader_;
  std::unique_ptr<LogStream> stream_;
  std::vector<kxlv_block> blocks_;
  long cur_ = 0;    // number the next entry gets
  long recnum_ = 0; // number the next record gets
  long known_ = 0;
  bool eof_ = false;
  off_t seen_size_ = 0;
  kxlv_entry entry_;
  bool produced_ = false;
};
