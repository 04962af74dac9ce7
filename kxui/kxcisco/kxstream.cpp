#include "kxui/kxcisco/kxstream.h"

#include <cctype>
#include <cstring>

KxStream::KxStream() : buf_(kInitialCapacity, '\0') {}

// Doubles the capacity until n more characters and the terminating NUL fit.
void KxStream::reserve_for(size_t n) {
  size_t cap = buf_.size();
  while (pos_ + n >= cap) cap *= 2;
  if (cap != buf_.size()) buf_.resize(cap, '\0');
}

void KxStream::Putc(char c) {
  reserve_for(1);
  buf_[pos_++] = c;
  buf_[pos_] = '\0';
}

void KxStream::Puts(std::string_view s) {
  if (s.empty()) return;
  reserve_for(s.size());
  std::memcpy(buf_.data() + pos_, s.data(), s.size());
  pos_ += s.size();
  buf_[pos_] = '\0';
}

void KxStream::Puts(const char *s) {
  if (s) Puts(std::string_view(s));
}

void KxStream::Pword(const char *s1, const char *s2) {
  Puts(s1);
  Puts(s2);
}

void KxStream::Pwordl(const char *s1, const char *s2) {
  if (s1) {
    size_t n = std::strlen(s1);
    reserve_for(n);
    for (size_t i = 0; i < n; ++i) {
      unsigned char c = static_cast<unsigned char>(s1[i]);
      buf_[pos_++] = c == ' ' ? '_' : static_cast<char>(std::tolower(c));
    }
    buf_[pos_] = '\0';
  }
  Puts(s2);
}

void KxStream::Reset() { Truncate(0); }

void KxStream::Truncate(size_t len) {
  if (len >= pos_) return;
  pos_ = len;
  buf_[pos_] = '\0';
}
