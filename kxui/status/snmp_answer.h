// An SNMP answer as the station's logic sees it: the error status and the
// variables, decoded from the library's PDU into plain values. The mapping of
// answers to status sets and object attributes works on this alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct KxSnmpVar {
  enum Kind { text, number, address, oid, null, exception };
  std::string name;  // numeric object identifier, ".1.3.6..."
  Kind kind = null;
  std::string value; // text, dotted address or identifier
  uint64_t count = 0; // numbers (INTEGER values keep their bits in int64)
  bool negative = false;
};

struct KxSnmpAnswer {
  int status = 0;     // SNMP error status; 0 = no error; -1 no answer
  std::string error;  // the layer's error text when there is one
  std::vector<KxSnmpVar> vars;
};

// A numeric object identifier ".1.3.6.1..." (leading dot optional) as
// numbers; false for anything else or more than 128 parts.
bool kx_parse_oid(const std::string &text, std::vector<uint32_t> &out);
std::string kx_oid_text(const uint32_t *parts, size_t n);
// True when oid lies below (not equal to) prefix.
bool kx_oid_below(const std::string &oid, const std::string &prefix);
