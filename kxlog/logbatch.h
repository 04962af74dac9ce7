// Batches of the packet filter's log messages, as its stand-in hands them
// over in one read: every message (its data words, then the 4-byte trailer
// {format, action and interface, direction, fid}) preceded by one 32-bit
// big-endian word with the message's length in bytes. A message cannot be
// found from its own bytes (the trailer is at its end), hence the word.
#pragma once

#include "logrec.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The largest batch a writer sends and a reader takes in one read.
constexpr size_t LOG_BATCH_MAX = 64 * 1024;
// The longest message: the longest record data and its trailer.
constexpr size_t LOG_MESSAGE_MAX = LOG_MAX_EXPORT + 4;

// Writing: begin() opens a message at the end of the batch (the length
// word, filled in by end()); the caller appends the message's bytes.
inline size_t log_batch_begin(std::vector<uint8_t> &batch) {
  const size_t at = batch.size();
  batch.resize(at + 4);
  return at;
}
void log_batch_end(std::vector<uint8_t> &batch, size_t at);
// One whole message appended.
void log_batch_add(std::vector<uint8_t> &batch, const uint8_t *message, size_t length);

// What splitting a batch found wrong: a length word that is no message
// length loses the framing, so the rest of the batch is dropped; a last
// message cut short (a torn write, or a read that truncated the batch) is
// dropped too.
struct LogBatchFault {
  size_t dropped = 0; // bytes not delivered
  std::string what;   // empty when the batch was whole
};

// Hands every message of the batch, in order, to fn(message, length); each
// lies within the batch and is a valid message length (at least the
// trailer, whole words, at most LOG_MESSAGE_MAX).
template <class F> LogBatchFault log_batch_split(const uint8_t *batch, size_t size, F &&fn) {
  size_t at = 0;
  while (size - at >= 4) {
    const uint32_t length = be32(batch + at);
    if (length < 4 || length % 4 || length > LOG_MESSAGE_MAX)
      return {size - at, "message length " + std::to_string(length) + " wrong"};
    if (length > size - at - 4)
      return {size - at, "last message cut short (" + std::to_string(size - at - 4) + " bytes of " +
                             std::to_string(length) + ")"};
    fn(batch + at + 4, size_t(length));
    at += 4 + length;
  }
  if (at < size) return {size - at, "a stray " + std::to_string(size - at) + " bytes at the end"};
  return {};
}
