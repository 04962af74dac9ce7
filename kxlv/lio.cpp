#include "kxlv/lio.h"

#include "kxu/report.h"

#include <algorithm>
#include <sys/stat.h>

kxlv_lio::kxlv_lio() : stream_(std::make_unique<LogStream>([this](const log_shown &s) { on_shown(s); })) {
  // The viewer shows records where they stand: one whose formats come later
  // is shown as unavailable rather than held back, so that every entry keeps
  // its number and place however the file is entered.
  stream_->set_queueing(false);
}

bool kxlv_lio::open(const std::string &path) {
  path_ = path;
  blocks_.clear();
  cur_ = recnum_ = known_ = 0;
  eof_ = false;
  stream_ = std::make_unique<LogStream>([this](const log_shown &s) { on_shown(s); });
  stream_->set_queueing(false);
  if (!reader_.open(path)) return false;
  struct stat st {};
  seen_size_ = stat(path.c_str(), &st) == 0 ? st.st_size : 0;
  // Room for as many blocks as the file can hold (a record has 16 bytes at
  // least), up to a bound: address space only, memory comes as the table
  // fills, and the table is never copied while it grows to its size.
  const size_t most = size_t(seen_size_) / (LOG_HEADER_SIZE * KXLV_BLOCK) + 1;
  blocks_.reserve(std::min<size_t>(most, size_t(1) << 22));
  return true;
}

void kxlv_lio::on_shown(const log_shown &s) {
  entry_.kind = s.kind;
  entry_.header = s.header;
  entry_.format = s.format;
  entry_.action_name = s.action_name;
  entry_.words.assign(s.words, s.words + s.nwords);
  entry_.message = s.text;
  produced_ = true;
}

int kxlv_lio::setstate(off_t offset, uint32_t time) {
  const long block = cur_ / KXLV_BLOCK;
  if (block == long(blocks_.size())) {
    blocks_.push_back({offset, cur_, recnum_, time});
    if (kxdebug)
      kx_trace("[%zu] New NBlock: %ld offset=%08llx", blocks_.size(), block,
               static_cast<unsigned long long>(offset));
  }
  ++cur_;
  known_ = std::max(known_, cur_);
  return 0;
}

const kxlv_entry *kxlv_lio::nextent() {
  if (!reader_.is_open()) return nullptr;
  kxlogrec h;
  const uint8_t *data = nullptr;
  for (;;) {
    const off_t at = reader_.offset();
    const int length = reader_.get(h, data);
    if (length < 0) {
      eof_ = true;
      return nullptr;
    }
    produced_ = false;
    stream_->feed(h, data, size_t(length), recnum_);
    if (!produced_) {
      ++recnum_;
      continue;
    }
    entry_.num = cur_;
    entry_.offset = at;
    setstate(at, h.time);
    ++recnum_;
    return &entry_;
  }
}

namespace {
// A record the stream shows as an entry that changes nothing it keeps but
// the host table: a log record of a filter's own format.
bool plain_record(const kxlogrec &h) { return h.type == LOG_TYPE_LOG && h.format < LOG_FMT_SYSTEM; }
} // namespace

bool kxlv_lio::skipent(off_t *offset, uint32_t *time) {
  if (!reader_.is_open()) return false;
  kxlogrec h;
  const uint8_t *data = nullptr;
  for (;;) {
    const off_t at = reader_.offset();
    const int length = reader_.get(h, data);
    if (length < 0) {
      eof_ = true;
      return false;
    }
    bool entry = true;
    if (plain_record(h)) {
      stream_->hosts().get(h.origin); // as the stream does for every record
    } else {
      produced_ = false;
      stream_->feed(h, data, size_t(length), recnum_);
      entry = produced_;
    }
    if (!entry) {
      ++recnum_;
      continue;
    }
    setstate(at, h.time);
    ++recnum_;
    if (offset) *offset = at;
    if (time) *time = h.time;
    return true;
  }
}

int kxlv_lio::nextblock() {
  for (int i = 0; i < KXLV_BLOCK; ++i)
    if (!skipent()) return -1;
  return 0;
}

off_t kxlv_lio::seek(long n) {
  if (n < 0 || !reader_.is_open()) return -1;
  const size_t b = size_t(n / KXLV_BLOCK);
  if (b >= blocks_.size()) {
    // Continue from the end of what is known.
    if (!blocks_.empty() && cur_ < known_) {
      const kxlv_block &lastb = blocks_.back();
      reader_.seek(lastb.offset);
      cur_ = lastb.first;
      recnum_ = lastb.recnum;
    }
    while (b >= blocks_.size())
      if (!skipent()) return -1;
  }
  const kxlv_block &blk = blocks_[b];
  reader_.seek(blk.offset);
  cur_ = blk.first;
  recnum_ = blk.recnum;
  eof_ = false;
  for (long i = blk.first; i < n; ++i)
    if (!skipent()) return -1;
  return reader_.offset();
}

const kxlv_block *kxlv_lio::bsearch(uint32_t t) const {
  if (blocks_.empty()) return nullptr;
  size_t index = 0;
  size_t span = blocks_.size();
  while (span > 1 && blocks_[index].time < t) {
    const size_t probe = index + span / 2;
    if (probe < blocks_.size() && blocks_[probe].time <= t) index = probe;
    span /= 2;
  }
  return &blocks_[index];
}

long kxlv_lio::count_all() {
  last();
  while (skipent()) {
  }
  return cur_;
}

off_t kxlv_lio::tseek(uint32_t t) {
  if (!reader_.is_open()) return -1;
  if (blocks_.empty()) seek(0), nextblock();
  // Read on while the searched time lies beyond the last known block.
  if (!blocks_.empty() && blocks_.back().time <= t) {
    last();
    while (skipent()) {
      if (blocks_.back().time > t) break;
    }
  }
  const kxlv_block *blk = bsearch(t);
  if (!blk) return reader_.offset();
  reader_.seek(blk->offset);
  cur_ = blk->first;
  recnum_ = blk->recnum;
  eof_ = false;
  for (;;) {
    const long num = cur_;
    const long rec = recnum_;
    off_t at = 0;
    uint32_t time = 0;
    if (!skipent(&at, &time)) break;
    if (time > t) {
      reader_.seek(at);
      cur_ = num;
      recnum_ = rec;
      break;
    }
  }
  return reader_.offset();
}

long kxlv_lio::last() {
  if (blocks_.empty()) {
    if (reader_.is_open()) {
      reader_.seek(0);
      cur_ = recnum_ = 0;
      eof_ = false;
    }
    return 0;
  }
  const kxlv_block &b = blocks_.back();
  reader_.seek(b.offset);
  cur_ = b.first;
  recnum_ = b.recnum;
  eof_ = false;
  return b.first;
}

off_t kxlv_lio::getpos(bool end) const {
  if (!reader_.is_open()) return 1;
  if (!end) return reader_.offset();
  struct stat st {};
  return stat(path_.c_str(), &st) == 0 ? st.st_size : reader_.offset();
}

long kxlv_lio::getnum(off_t offset) const {
  auto it = std::lower_bound(blocks_.begin(), blocks_.end(), offset,
                             [](const kxlv_block &b, off_t o) { return b.offset < o; });
  return it != blocks_.end() && it->offset == offset ? it->first : -1L;
}

uint32_t kxlv_lio::gettime(off_t offset) const {
  auto it = std::lower_bound(blocks_.begin(), blocks_.end(), offset,
                             [](const kxlv_block &b, off_t o) { return b.offset < o; });
  return it != blocks_.end() && it->offset == offset ? it->time : UINT32_MAX;
}

int64_t kxlv_lio::timeof(long n) {
  const long here = cur_;
  int64_t t = -1;
  if (seek(n) >= 0)
    if (const kxlv_entry *e = nextent()) t = e->header.time;
  seek(std::min(here, known_));
  return t;
}

kxlv_lio::Change kxlv_lio::check() {
  struct stat st {};
  if (stat(path_.c_str(), &st) != 0) return kGone;
  if (reader_.is_open() && st.st_ino != reader_.inode()) return kReplaced;
  if (st.st_size < seen_size_) return kShrunk;
  if (st.st_size == seen_size_) return kUnchanged;
  seen_size_ = st.st_size;
  return kGrown;
}
