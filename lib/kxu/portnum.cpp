#include "kxu/portnum.h"

#include <charconv>

namespace kxu {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

} // namespace

std::optional<uint32_t> parse_number(std::string_view text, uint32_t max) {
  text = trim(text);
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  uint32_t v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 10);
  if (ec != std::errc() || end != text.data() + text.size() || v > max) return std::nullopt;
  return v;
}

std::optional<uint16_t> parse_port(std::string_view text) {
  std::optional<uint32_t> v = parse_number(text, 65535);
  if (!v) return std::nullopt;
  return static_cast<uint16_t>(*v);
}

std::optional<PortSpec> parse_port_spec(std::string_view text, std::string_view service,
                                        std::string *why) {
  const std::string_view whole = trim(text);
  auto refuse = [&]() -> std::optional<PortSpec> {
    if (why)
      *why = "service '" + std::string(service) + "': port '" + std::string(whole) +
             "' is not a port number (0-65535)";
    return std::nullopt;
  };
  PortSpec spec;
  std::string_view s = whole;
  if (s.empty()) return spec;
  // An operator may stand alone; its number, when there is one, must be one.
  auto bound = [&](PortOp op, size_t skip) -> std::optional<PortSpec> {
    spec.op = op;
    std::string_view n = trim(s.substr(skip));
    if (n.empty()) return spec;
    spec.low = parse_port(n);
    if (!spec.low) return refuse();
    return spec;
  };
  if (s.starts_with(">=")) return bound(PortOp::ge, 2);
  if (s.starts_with("<=")) return bound(PortOp::le, 2);
  if (s.front() == '>') return bound(PortOp::gt, 1);
  if (s.front() == '<') return bound(PortOp::lt, 1);
  size_t dash = s.find('-');
  if (dash == std::string_view::npos) {
    spec.op = PortOp::eq;
    spec.low = parse_port(s);
    if (!spec.low) return refuse();
    return spec;
  }
  spec.op = PortOp::range;
  spec.low = parse_port(s.substr(0, dash));
  if (!spec.low) return refuse();
  std::string_view rest = trim(s.substr(dash + 1));
  if (rest.empty()) return spec;
  spec.high = parse_port(rest);
  if (!spec.high) return refuse();
  return spec;
}

} // namespace kxu
