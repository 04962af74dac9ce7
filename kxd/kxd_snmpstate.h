// The state file the module's SNMP agent serves ("state/snmpstate"): the
// module state, the filter loaded last with its load time, and the counters
// summed over every (interface, direction).
#pragma once

#include "kxd_counters.h"

#include <cstdint>
#include <string>

namespace kxd {

struct SnmpState {
  std::string filter; // empty: nothing loaded
  int32_t loadtime = 0;
  FilterCounters totals;
  bool operator==(const SnmpState &) const = default;
};

// "state installed", "filter NAME", "date TIME" (the log's time text), then
// "accepted", "rejected", "dropped" and "logged"; with no filter loaded
// "state not installed" and an empty filter.
std::string snmpstate_text(const SnmpState &s);

} // namespace kxd
