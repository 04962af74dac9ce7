// Bit streams of the compressed set encoding. Bits are packed least
// significant first: bit k of a stream is bit (k mod 8) of byte (k / 8).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Appends bits to a byte vector. Bits collect in an accumulator that is
// emitted four bytes at a time, least significant byte first.
class BitStreamWr {
public:
  explicit BitStreamWr(std::vector<uint8_t> &out) : out_(out) {}

  // Writes the low n bits of value (n at most 32), first bit first.
  void write(uint32_t value, unsigned n);
  // Writes a code of up to 64 bits in 32-bit pieces, first piece first.
  void write64(uint64_t value, unsigned n);
  // Emits the bytes that still hold bits; the last one is padded with zeros.
  void flush();

  // Number of bits written so far.
  uint64_t bits() const noexcept { return total_; }

private:
  std::vector<uint8_t> &out_;
  uint64_t acc_ = 0;
  unsigned held_ = 0;
  uint64_t total_ = 0;
};

// Reads bits from a buffer it does not own. Peeking past the end yields
// zero bits; consuming past the end fails, so no read leaves the buffer.
class BitStreamRd {
public:
  BitStreamRd(const uint8_t *data, size_t length) noexcept
      : data_(data), length_(length), end_(static_cast<uint64_t>(length) * 8) {}

  // The next n bits (n at most 24) without consuming them.
  uint32_t peek(unsigned n) const noexcept;
  // Consumes n bits: 0, or -1 when fewer than n bits are left (nothing is
  // consumed then).
  int skip(unsigned n) noexcept;
  // Reads n bits (n at most 24): the value, or -1 when fewer are left.
  int64_t read(unsigned n) noexcept;

  uint64_t position() const noexcept { return pos_; }
  uint64_t remaining() const noexcept { return end_ - pos_; }

private:
  const uint8_t *data_;
  size_t length_;
  uint64_t end_;
  uint64_t pos_ = 0;
};
