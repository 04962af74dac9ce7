// Packet counters of the loaded filter, per (interface, direction). The
// daemon reads them from a provider: the module's packet filter once one is
// loaded into the kernel, else nothing counts and every counter is 0.
#pragma once

#include <cstdint>
#include <string>

namespace kxd {

// What "stat" reports of one (interface, direction) in its kxinfo_t.
struct FilterCounters {
  uint32_t packets = 0;  // npacket
  uint32_t accepted = 0; // naccept
  uint32_t rejected = 0; // nreject
  uint32_t dropped = 0;  // ndrop
  uint32_t logged = 0;   // nlog
  bool operator==(const FilterCounters &) const = default;
  FilterCounters &operator+=(const FilterCounters &o) {
    packets += o.packets, accepted += o.accepted, rejected += o.rejected, dropped += o.dropped, logged += o.logged;
    return *this;
  }
};

// Where the counters come from. Called from several threads at once, and
// only for (interface, direction) pairs where a filter is loaded.
class CounterProvider {
public:
  virtual ~CounterProvider() = default;
  // The counters of the filter loaded on the interface (direction 0
  // inbound, 1 outbound) since it was loaded.
  virtual FilterCounters counters(const std::string &ifname, int direction) = 0;
};

// No packet filter counts: every counter is 0.
class NoCounters final : public CounterProvider {
public:
  FilterCounters counters(const std::string &, int) override { return {}; }
};

} // namespace kxd
