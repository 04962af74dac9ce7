#include "kxd_snmpstate.h"

#include "kxlog/logbad.h"

namespace kxd {

std::string snmpstate_text(const SnmpState &s) {
  std::string out;
  if (s.filter.empty()) {
    out = "state not installed\nfilter\n";
  } else {
    out = "state installed\nfilter " + s.filter + "\ndate " + log_timestr(time_t(s.loadtime)) + "\n";
  }
  out += "accepted " + std::to_string(s.totals.accepted) + "\n";
  out += "rejected " + std::to_string(s.totals.rejected) + "\n";
  out += "dropped " + std::to_string(s.totals.dropped) + "\n";
  out += "logged " + std::to_string(s.totals.logged) + "\n";
  return out;
}

} // namespace kxd
