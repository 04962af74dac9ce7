// Growable text buffer and growable word array shared by the router filter
// generators.
//
// KxStream keeps its text NUL-terminated at all times. It starts with 512
// bytes and doubles its capacity (copying the text) whenever a write would
// reach the end, so no input size is ever cut short. Reset() empties the text
// but keeps the buffer for the next generation.
//
// ExtArray is a zero-filled array that grows on demand: it starts with room
// for 100 elements and, when an index beyond its capacity is used, grows to
// twice that index.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class KxStream {
public:
  static constexpr size_t kInitialCapacity = 512;

  KxStream();

  // Appends one character.
  void Putc(char c);
  // Appends a string; a null pointer appends nothing.
  void Puts(const char *s);
  void Puts(std::string_view s);
  // s1 and then s2 (s2 optional, null appends nothing).
  void Pword(const char *s1, const char *s2 = nullptr);
  // s1 in lower case with every blank written as "_", then s2 unchanged.
  void Pwordl(const char *s1, const char *s2 = nullptr);
  // Empties the text; the buffer is kept.
  void Reset();

  // The text so far, NUL-terminated; valid until the next write or Reset.
  const char *text() const { return buf_.data(); }
  std::string_view view() const { return {buf_.data(), pos_}; }
  size_t length() const { return pos_; }
  size_t capacity() const { return buf_.size(); }
  // Cuts the text back to `len` characters (no effect beyond the end); used
  // to erase what was written for a piece that turned out empty.
  void Truncate(size_t len);

private:
  void reserve_for(size_t n);

  std::vector<char> buf_;
  size_t pos_ = 0;
};

template <typename T> class ExtArray {
public:
  static constexpr size_t kInitialCapacity = 100;

  ExtArray() : items_(kInitialCapacity) {}

  // Element i, growing the array (zero-filled) to 2 * i when i lies beyond
  // its capacity.
  T &operator[](size_t i) {
    if (i >= items_.size()) items_.resize(i == 0 ? 1 : 2 * i);
    if (i >= used_) used_ = i + 1;
    return items_[i];
  }
  // Element i without growing: a zero element beyond the end.
  T get(size_t i) const { return i < items_.size() ? items_[i] : T{}; }
  // One more than the highest index used so far.
  size_t count() const { return used_; }
  size_t capacity() const { return items_.size(); }
  // Back to all zero, capacity kept.
  void clear() {
    for (T &e : items_) e = T{};
    used_ = 0;
  }

private:
  std::vector<T> items_;
  size_t used_ = 0;
};
