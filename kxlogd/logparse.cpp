#include "logparse.h"

#include <cstring>

namespace kxlogd {

uint8_t *LogRecordParser::space(size_t n) {
  if (pos_ == end_) pos_ = end_ = 0;
  if (buf_.size() - end_ < n) {
    // Move the unread rest to the front before growing, so that the buffer
    // stays at a few records plus one read's worth.
    if (pos_ > 0) {
      std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
      end_ -= pos_;
      pos_ = 0;
    }
    if (buf_.size() - end_ < n) buf_.resize(end_ + n);
  }
  return buf_.data() + end_;
}

void LogRecordParser::feed(const uint8_t *bytes, size_t n) {
  std::memcpy(space(n), bytes, n);
  commit(n);
}

LogRecordParser::Result LogRecordParser::next(kxlogrec &header, const uint8_t *&data) {
  if (end_ - pos_ < LOG_HEADER_SIZE) return kNeedMore;
  const kxlogrec h = x2kxlogrec(buf_.data() + pos_);
  if (h.length > LOG_MAX_EXPORT || h.length % 4) {
    bad_length_ = h.length;
    return kBadLength;
  }
  if (end_ - pos_ < LOG_HEADER_SIZE + h.length) return kNeedMore;
  header = h;
  data = buf_.data() + pos_ + LOG_HEADER_SIZE;
  pos_ += LOG_HEADER_SIZE + h.length;
  return kRecord;
}

} // namespace kxlogd
