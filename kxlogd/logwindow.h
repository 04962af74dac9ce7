// The records a collector has handed to its log server and that the server
// has not yet acknowledged: the unsent tail is what goes out next, and on
// the loss of the server every unacknowledged record is still here, to be
// sent again or kept in the local file.
#pragma once

#include "kxlog/logrec.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace kxlogd {

class LogSendWindow {
public:
  explicit LogSendWindow(size_t cap = 2u << 20) : cap_(cap) {}

  // No more records should be pushed until acknowledgements come.
  bool full() const { return buf_.size() - head_ >= cap_; }
  bool empty() const { return lens_.empty(); }
  size_t records() const { return lens_.size(); }

  // One whole record (header and data) as it travels.
  void push(const uint8_t *record, size_t n);
  // The same made from its header and data (the header's length is set).
  void push(kxlogrec header, const uint8_t *data, size_t length);
  const uint8_t *unsent() const { return buf_.data() + sent_; }
  size_t unsent_size() const { return buf_.size() - sent_; }
  void sent(size_t n) { sent_ += n; }

  // The server has taken `count` records of this connection in all
  // (modulo 2^32). False when it claims more than were sent.
  bool ack(uint32_t count);
  // Records are numbered one by one within a server's book (book 0: not
  // numbered): number() gives the oldest held record its number; each
  // acknowledged record moves it on.
  void number(uint64_t book, uint64_t first) { book_ = book, first_ = first; }
  uint64_t book() const { return book_; }
  uint64_t first() const { return first_; }

  // Every unacknowledged record, oldest first; the window is empty after,
  // ready for a new connection (whose server counts from 0). The numbering
  // is left for the caller to renew.
  template <class F> void drain(F fn) {
    size_t at = head_;
    for (uint32_t n : lens_) {
      fn(buf_.data() + at, size_t(n));
      at += n;
    }
    buf_.clear();
    lens_.clear();
    head_ = sent_ = 0;
    acked_ = 0;
  }

private:
  uint8_t *grow(size_t n); // room for one more record of n bytes at the end

  size_t cap_;
  std::vector<uint8_t> buf_;
  std::deque<uint32_t> lens_; // lengths of the records from head_ on
  size_t head_ = 0;           // first unacknowledged byte
  size_t sent_ = 0;           // first unsent byte
  uint32_t acked_ = 0;        // records of this connection acknowledged
  uint64_t book_ = 0, first_ = 0;
};

} // namespace kxlogd
