// A checker of IOS numbered extended IP access-list commands:
//   [no] access-list N
//   access-list N {permit|deny} PROTO SRC [PORT] DST [PORT] [established]
// with N in 100-199 or 2000-2699, PROTO one of ip/tcp/udp/icmp, addresses as
// "A.B.C.D W.X.Y.Z", "any" or "host A.B.C.D", and port operators
// eq/neq/gt/lt/range on tcp and udp only.
#pragma once

#include <arpa/inet.h>

#include <sstream>
#include <string>
#include <vector>

namespace kxtest {

inline bool ios_quad(const std::string &s) {
  in_addr a{};
  return inet_pton(AF_INET, s.c_str(), &a) == 1;
}

inline bool ios_number(const std::string &s, long lo, long hi) {
  if (s.empty() || s.size() > 6 || s.find_first_not_of("0123456789") != std::string::npos)
    return false;
  long v = std::stol(s);
  return v >= lo && v <= hi;
}

// Empty when `line` is a valid command, else what is wrong.
inline std::string ios_check(const std::string &line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string t; in >> t;) w.push_back(t);
  size_t i = 0;
  auto at = [&](size_t k) { return k < w.size() ? w[k] : std::string(); };
  bool negate = at(0) == "no";
  if (negate) ++i;
  if (at(i) != "access-list") return "not an access-list command";
  const std::string num = at(i + 1);
  if (!ios_number(num, 100, 199) && !ios_number(num, 2000, 2699))
    return "list number " + num + " is not an extended list";
  i += 2;
  if (negate) return i == w.size() ? "" : "text after 'no access-list N'";
  if (at(i) != "permit" && at(i) != "deny") return "no permit/deny";
  const std::string proto = at(++i);
  if (proto != "ip" && proto != "tcp" && proto != "udp" && proto != "icmp")
    return "bad protocol '" + proto + "'";
  ++i;
  const bool ports = proto == "tcp" || proto == "udp";
  auto address = [&](const char *what) -> std::string {
    if (at(i) == "any") {
      ++i;
      return "";
    }
    if (at(i) == "host") {
      if (!ios_quad(at(i + 1))) return std::string("bad host address in ") + what;
      i += 2;
      return "";
    }
    if (!ios_quad(at(i)) || !ios_quad(at(i + 1)))
      return std::string("bad address/wildcard pair in ") + what;
    i += 2;
    return "";
  };
  auto port = [&]() -> std::string {
    const std::string op = at(i);
    if (op == "eq" || op == "neq" || op == "gt" || op == "lt") {
      if (!ports) return "port operator on " + proto;
      if (!ios_number(at(i + 1), 0, 65535)) return "bad port '" + at(i + 1) + "'";
      i += 2;
    } else if (op == "range") {
      if (!ports) return "port operator on " + proto;
      if (!ios_number(at(i + 1), 0, 65535) || !ios_number(at(i + 2), 0, 65535))
        return "bad port range";
      i += 3;
    }
    return "";
  };
  for (auto step : {0, 1, 2, 3}) {
    std::string err = step % 2 == 0 ? address(step == 0 ? "source" : "destination") : port();
    if (!err.empty()) return err;
  }
  if (at(i) == "established") {
    if (proto != "tcp") return "established on " + proto;
    ++i;
  }
  return i == w.size() ? "" : "unexpected '" + at(i) + "'";
}

// Every access-list line of a configuration text that fails the check, with
// its reason.
inline std::vector<std::string> ios_bad_lines(const std::string &text) {
  std::vector<std::string> bad;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.find("access-list") == std::string::npos || line.rfind("ip access-group", 0) == 0)
      continue;
    std::string why = ios_check(line);
    if (!why.empty()) bad.push_back(line + "  <- " + why);
  }
  return bad;
}

} // namespace kxtest
