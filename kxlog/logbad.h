// Reporting records that cannot be interpreted.
#pragma once

#include "kxlog/logrec.h"

#include <ctime>
#include <string>

// "%2d%s%d %2d:%02d:%02d" in local time (day, month, years since 1900, ...),
// the one date form of the log, the status display and the filter label;
// "unknown time" when the time cannot be converted.
std::string log_timestr(time_t t);

// "TIME HOST MESSAGE TYPE FORMAT fid %x len %d (%d)": the first report of a
// process goes through the common error reporter, later ones straight to
// standard error.
void log_badpacket(const char *message, const kxlogrec &h, size_t length, long recnum);

// Dotted form of a host-order address.
std::string log_addrstr(uint32_t addr);
void log_append_addr(std::string &out, uint32_t addr);
