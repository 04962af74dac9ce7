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
  // The record of `origin`, made on first use; null once the table holds as
  // many hosts as it may (a hostile file can name four billion origins).
  loghost *get(uint32_t origin);
  // Takes the names of an interface list record; false for a list of a size
  // other than 244 or 196 bytes.
  bool set_interfaces(uint32_t origin, const uint8_t *data, size_t length);
  // The interface's name, or "if%d".
  std::string ifname(uint32_t origin, int index) const;
  void clear() { hosts_.clear(); }

private:
  std::unordered_map<uint32_t, loghost> hosts_;
};

// The process-wide table that log_pinit makes.
LogHosts &loghash();
void log_pinit();
std::string ifname(uint32_t origin, int index);
