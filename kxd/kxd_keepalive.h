// Keep-alives: while a command works, its peer hears "still working" (the
// return code -1 followed by the code -99) every interval, so that a slow
// but live daemon never runs into the peer's read time-out (25 s). One
// ticker thread serves every connection; it writes only between the read of
// the arguments and the reply, never in the middle of one.
#pragma once

#include <cstdint>

namespace kxd {

// Interval between keep-alives in milliseconds (kxd -k).
extern int keepalive_ms;

class KeepAlive {
public:
  // Starts keep-alives on fd (first one after one interval).
  explicit KeepAlive(int fd);
  // Stops them; once it returns, no keep-alive is written any more.
  ~KeepAlive();
  KeepAlive(const KeepAlive &) = delete;
  KeepAlive &operator=(const KeepAlive &) = delete;

  // Keep-alives written so far.
  int sent() const;

private:
  uint64_t id_;
};

} // namespace kxd
