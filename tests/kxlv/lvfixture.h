// Logs for the viewer's tests: one filter announcement, then connection
// records whose rule number is their index and whose time grows by ten
// seconds per record, with control records mixed in where a test wants them.
#pragma once

#include "kxlog/logwrite.h"
#include "support/tempdir.h"
#include "../kxlog/logfixture.h"

#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>

namespace kxlvtest {

inline const char kFormats[] = "%%format: conn 1\n"
                               "src ipaddr\n"
                               "dst ipaddr\n"
                               "service port\n"
                               "proto proto\n"
                               "rule int\n"
                               "%%format: note 2\n"
                               "user int\n"
                               "%%action: accept 0\n"
                               "%%action: drop 1\n";

constexpr uint32_t kBase = 1796889600; // 08:00:00 UTC
constexpr uint32_t kOrigin = 0xC0000201;

inline void utc() {
  setenv("TZ", "UTC", 1);
  tzset();
}

// Action bits: 2 accept, 0 drop, 1 reject.
inline kxlogrec conn_header(uint32_t time, int action, int ifindex = 1, bool inbound = true) {
  kxlogrec h = kxlogtest::header(kOrigin, 1, time);
  h.set_action_if(action, ifindex);
  h.direction = inbound ? 0 : 1;
  return h;
}

// The last word says "no alert action".
inline std::vector<uint8_t> conn_words(uint32_t src, uint32_t rule, uint32_t port = 25) {
  return kxlogtest::words({src, 0xCB007105, port, 6, rule, LOG_NO_ACTION});
}

struct LogBuilder {
  LogWriter w;
  explicit LogBuilder(const std::string &path) {
    w.open(path, true);
    kxlogrec h = kxlogtest::header(kOrigin, LOG_FMT_INFO, kBase - 1);
    w.add(h, kxlogtest::info(kxlogtest::filter(), kFormats));
  }
  // n connection records from `first`: rule = index, src 10.0.(i%4).1,
  // accept for even indexes, drop for odd ones.
  void conns(uint32_t first, uint32_t n) {
    for (uint32_t i = first; i < first + n; ++i)
      w.add(conn_header(kBase + 10 * i, i % 2 ? 0 : 2), conn_words(0x0A000001 | (i % 4) << 8, i));
  }
  void reset() {
    kxlogrec h = kxlogtest::header(kOrigin, LOG_FMT_RESET, kBase);
    std::vector<uint8_t> d(48);
    kxid2x(kxlogtest::filter(), d.data(), d.size());
    w.add(h, d);
  }
};

} // namespace kxlvtest
