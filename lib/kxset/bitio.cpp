#include "kxset/bitio.h"

#include <cstring>

void BitStreamWr::write(uint32_t value, unsigned n) {
  if (n == 0) return;
  uint64_t v = n < 32 ? (value & ((uint32_t{1} << n) - 1)) : value;
  acc_ |= v << held_;
  held_ += n;
  total_ += n;
  if (held_ >= 32) {
    uint32_t word = static_cast<uint32_t>(acc_);
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(word >> (8 * i)));
    acc_ >>= 32;
    held_ -= 32;
  }
}

void BitStreamWr::write64(uint64_t value, unsigned n) {
  if (n > 32) {
    write(static_cast<uint32_t>(value), 32);
    write(static_cast<uint32_t>(value >> 32), n - 32);
  } else {
    write(static_cast<uint32_t>(value), n);
  }
}

void BitStreamWr::flush() {
  while (held_ > 0) {
    out_.push_back(static_cast<uint8_t>(acc_));
    acc_ >>= 8;
    held_ = held_ > 8 ? held_ - 8 : 0;
  }
  acc_ = 0;
}

uint32_t BitStreamRd::peek(unsigned n) const noexcept {
  size_t byte = static_cast<size_t>(pos_ >> 3);
  unsigned shift = static_cast<unsigned>(pos_ & 7);
  uint32_t word = 0;
  if (byte + 4 <= length_) {
    std::memcpy(&word, data_ + byte, 4);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap32(word);
#endif
  } else {
    for (size_t i = 0; i < 4 && byte + i < length_; ++i)
      word |= static_cast<uint32_t>(data_[byte + i]) << (8 * i);
  }
  return (word >> shift) & ((uint32_t{1} << n) - 1);
}

int BitStreamRd::skip(unsigned n) noexcept {
  if (n > end_ - pos_) return -1;
  pos_ += n;
  return 0;
}

int64_t BitStreamRd::read(unsigned n) noexcept {
  if (n > end_ - pos_) return -1;
  uint32_t v = peek(n);
  pos_ += n;
  return v;
}
