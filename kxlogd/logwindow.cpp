#include "logwindow.h"

namespace kxlogd {

void LogSendWindow::push(const uint8_t *record, size_t n) {
  // Acknowledged bytes at the front go once they are the larger part.
  if (head_ > (1u << 20) && head_ * 2 > buf_.size()) {
    buf_.erase(buf_.begin(), buf_.begin() + ptrdiff_t(head_));
    sent_ -= head_;
    head_ = 0;
  }
  buf_.insert(buf_.end(), record, record + n);
  lens_.push_back(uint32_t(n));
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
