#include "logwindow.h"

#include <algorithm>

namespace kxlogd {

uint8_t *LogSendWindow::grow(size_t n) {
  // Acknowledged bytes at the front go when the buffer would grow
  // otherwise and they are at least half of it: no more is moved than is
  // freed, and the buffer keeps the size the records in flight need.
  if (head_ > 0 && buf_.size() + n > buf_.capacity() && head_ * 2 >= buf_.size()) {
    buf_.erase(buf_.begin(), buf_.begin() + ptrdiff_t(head_));
    sent_ -= head_;
    head_ = 0;
  }
  const size_t at = buf_.size();
  buf_.resize(at + n);
  lens_.push_back(uint32_t(n));
  return buf_.data() + at;
}

void LogSendWindow::push(const uint8_t *record, size_t n) { std::copy(record, record + n, grow(n)); }

void LogSendWindow::push(kxlogrec header, const uint8_t *data, size_t length) {
  header.length = uint16_t(length);
  uint8_t *at = grow(LOG_HEADER_SIZE + length);
  kxlogrec2x(header, at);
  std::copy(data, data + length, at + LOG_HEADER_SIZE);
}

bool LogSendWindow::ack(uint32_t count) {
  const uint32_t n = count - acked_;
  if (n > lens_.size()) return false;
  size_t bytes = 0;
  for (uint32_t i = 0; i < n; ++i) bytes += lens_[i];
  if (head_ + bytes > sent_) return false; // acknowledged bytes that were never sent
  lens_.erase(lens_.begin(), lens_.begin() + n);
  head_ += bytes;
  acked_ = count;
  first_ += n;
  if (lens_.empty()) buf_.clear(), head_ = sent_ = 0;
  return true;
}

} // namespace kxlogd
