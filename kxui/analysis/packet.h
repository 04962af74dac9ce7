// A connection as the administrator names it, turned into the values the
// policy model matches: addresses as dotted quads or names of network
// objects, the service as the name of a service or PROTO/PORT.
#pragma once

#include "kxui/analysis/model.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kxan {

struct Packet {
  uint32_t src = 0, dst = 0;
  uint64_t svc = 0;    // service_key
  long sport = -1;     // source port, -1 when not given
  std::string service; // as given, for messages
  std::string time;    // as given (ISO 8601), empty when not given
};

// Each parser gives the value, or nothing with a message in `err`.
// A dotted quad, or the name of a host, gateway, router or interface object
// of the network objects that has an address.
std::optional<uint32_t> parse_address(const std::string &text, std::string *err);
// "tcp/80", "udp/53", "icmp/8", "PROTO-NUMBER/PORT", or a service's name.
std::optional<uint64_t> parse_service(const std::string &text, ServiceKeys &keys, std::string *err);
// A port number 0..65535.
std::optional<long> parse_port(const std::string &text, std::string *err);
// "YYYY-MM-DDTHH:MM[:SS]" (a blank instead of "T" accepted).
bool valid_iso_time(const std::string &text);

// "tcp/80", "icmp/8", "rpc/100003", "other/NAME-KEY" as the key reads.
std::string service_text(uint64_t key);

} // namespace kxan
