#include "kxlog/logbad.h"

#include "kxu/report.h"

#include <cstdio>

std::string log_timestr(time_t t) {
  static const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  struct tm lt {};
  if (!localtime_r(&t, &lt)) return "unknown time";
  return kxu::format("%2d%s%d %2d:%02d:%02d", lt.tm_mday, kMonths[lt.tm_mon % 12], lt.tm_year,
                     lt.tm_hour, lt.tm_min, lt.tm_sec);
}

std::string log_addrstr(uint32_t a) {
  return kxu::format("%u.%u.%u.%u", a >> 24, (a >> 16) & 255, (a >> 8) & 255, a & 255);
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
