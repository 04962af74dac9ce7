// The host table: per origin, the interface names its interface lists gave.
#pragma once

#include "kxlog/logrec.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct loghost {
  uint32_t origin = 0;
  std::array<std::string, LOG_MAX_IFINDEX> ifnames;
};

class LogHosts {
public:
  LogHosts() = default;
  // A copy remembers no hosts met lately: they point into the original.
  LogHosts(const LogHosts &o) : hosts_(o.hosts_), version_(o.version_) {}
  LogHosts &operator=(const LogHosts &o) {
    hosts_ = o.hosts_;
    recent_.fill({});
    ++version_;
    return *this;
  }
  // The record of `origin`, made on first use; null once the table holds as
  // many hosts as it may (a hostile file can name four billion origins).
  loghost *get(uint32_t origin);
  // Takes the names of an interface list record; false for a list of a size
  // other than 244 or 196 bytes.
  bool set_interfaces(uint32_t origin, const uint8_t *data, size_t length);
  // The interface's name, or "if%d".
  std::string ifname(uint32_t origin, int index) const;
  void clear() {
    hosts_.clear();
    recent_.fill({});
    ++version_;
  }
  // Changes whenever a name may have changed: a reader that keeps what it
  // learnt from names knows when to forget it.
  unsigned long version() const { return version_; }

private:
  std::unordered_map<uint32_t, loghost> hosts_;
  unsigned long version_ = 0;
  // Hosts met lately, by a hash of the origin (the map's nodes stay put).
  std::array<std::pair<uint32_t, loghost *>, 16> recent_{};
};

// The process-wide table that log_pinit makes.
LogHosts &loghash();
void log_pinit();
std::string ifname(uint32_t origin, int index);
