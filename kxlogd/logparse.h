// Cutting one client's byte stream into records. The bytes arrive in any
// pieces; a record is handed out once its header and all its data are in.
#pragma once

#include "kxlog/logrec.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kxlogd {

class LogRecordParser {
public:
  enum Result { kRecord, kNeedMore, kBadLength };

  // Room for at least `n` more bytes at the end of the buffer; commit() says
  // how many were put there.
  uint8_t *space(size_t n);
  void commit(size_t n) { end_ += n; }
  void feed(const uint8_t *bytes, size_t n);

  // The next whole record: its header and data (valid until the next call
  // of space() or feed()). kBadLength for a header whose length is above
  // 8192 or not a multiple of 4: the stream is then out of step for good.
  Result next(kxlogrec &header, const uint8_t *&data);
  size_t buffered() const { return end_ - pos_; }
  // The length of the header kBadLength refused.
  int bad_length() const { return bad_length_; }

private:
  std::vector<uint8_t> buf_;
  size_t pos_ = 0, end_ = 0;
  int bad_length_ = 0;
};

} // namespace kxlogd
