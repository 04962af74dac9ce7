// The one reader of numbers and service ports taken from objects and rule
// bases: decimal only, checked against its bounds (std::from_chars never
// overflows), with a message that names the service.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kxu {

// A decimal number 0..max making up all of `text` (blanks around it are
// skipped); nullopt for anything else, a sign included.
std::optional<uint32_t> parse_number(std::string_view text, uint32_t max);

// A port number 0-65535.
std::optional<uint16_t> parse_port(std::string_view text);

// The forms of a service's port text.
enum class PortOp {
  any,   // empty
  eq,    // "N"
  range, // "A-B", "A-" (then `high` is missing)
  gt,    // ">N"
  ge,    // ">=N"
  lt,    // "<N"
  le,    // "<=N"
};

struct PortSpec {
  PortOp op = PortOp::any;
  std::optional<uint16_t> low;  // N, or A
  std::optional<uint16_t> high; // B
};

// Reads a port text: leading and trailing blanks skipped, every number
// decimal 0-65535. An operator without a number (">") leaves `low` missing.
// On refusal returns nullopt and sets `why` to a message naming `service`:
// "service 'x': port '>70000' is not a port number (0-65535)".
std::optional<PortSpec> parse_port_spec(std::string_view text, std::string_view service,
                                        std::string *why = nullptr);

} // namespace kxu
