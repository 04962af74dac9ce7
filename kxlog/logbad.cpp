#include "kxlog/logbad.h"

#include "kxu/report.h"

#include <cstdio>

namespace {
std::string time_text(time_t t) {
  static const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  struct tm lt {};
  if (!localtime_r(&t, &lt)) return "unknown time";
  return kxu::format("%2d%s%d %2d:%02d:%02d", lt.tm_mday, kMonths[lt.tm_mon % 12], lt.tm_year,
                     lt.tm_hour, lt.tm_min, lt.tm_sec);
}
} // namespace

// Records come in runs of the same second: remember the last one.
std::string log_timestr(time_t t) {
  static time_t last = -1;
  static std::string text;
  if (t != last) {
    text = time_text(t);
    last = t;
  }
  return text;
}

void log_append_addr(std::string &out, uint32_t a) {
  char buf[16];
  char *p = buf;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const unsigned b = (a >> shift) & 255;
    if (b >= 100) *p++ = char('0' + b / 100);
    if (b >= 10) *p++ = char('0' + b / 10 % 10);
    *p++ = char('0' + b % 10);
    if (shift) *p++ = '.';
  }
  out.append(buf, size_t(p - buf));
}

std::string log_addrstr(uint32_t a) {
  std::string out;
  log_append_addr(out, a);
  return out;
}

void log_badpacket(const char *message, const kxlogrec &h, size_t length, long recnum) {
  static bool reported = false;
  const std::string line = kxu::format(
      "%s %s %s %s %s fid %x len %zu (%ld)", log_timestr(time_t(h.time)).c_str(),
      log_addrstr(h.origin).c_str(), message, log_typename(h.type).c_str(),
      log_formatname(h.format).c_str(), h.fid, length, recnum);
  if (!reported) {
    reported = true;
    error(0, 0, "%s", line.c_str());
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}
