// The filter script as the module's filter compiler reads it: the address
// and service definitions, the lists, and the statements in their order.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kxnft {

// SRV_<proto>(name, value) or SRV_<proto>_range(name, sl, sh, dl, dh).
struct Service {
  std::string name, proto; // proto: tcp, udp, rpc, icmp, other
  std::string value;       // the plain form's value (port, code, expression)
  bool range = false;
  long sport_lo = 0, sport_hi = 65535, dport_lo = 0, dport_hi = 65535;
};

// ADDR_<type>(name, address[, mask]).
struct Address {
  std::string name, type, addr, mask;
};

// NAME = [kind] { members };  kind is "host" when the script names none.
struct List {
  std::string name, kind;
  std::vector<std::string> members;
};

// One statement, whitespace squeezed, without its final ";".
struct Statement {
  std::string direction; // inbound, outbound, eitherbound; empty for an implied rule
  std::string iface;     // the part before "@" of the scope ("all" or an interface)
  std::string target;    // the part after "@"
  std::string body;      // after the scope: action word and conditions
  int line = 0;          // line of the script where it begins
};

struct Script {
  std::map<std::string, Service> services;
  std::map<std::string, Address> addresses;
  std::map<std::string, List> lists;
  std::vector<std::string> list_order;
  std::vector<Statement> statements;
  std::set<int> auth_rules; // rule numbers of the auth rules database
};

// Reads a filter script (or the module's filter code, which has the same
// line forms). Never fails: lines it cannot place are kept as statements and
// refused by the compiler with their text.
Script parse_script(std::string_view text);

// Whitespace runs as one blank, none at either end.
std::string squeeze(std::string_view s);
// The text between the first "(" and the last ")" of a call NAME(a, b);
// nullopt when there is none.
std::optional<std::string_view> call_body(std::string_view call);
// Splits at every `sep`, each field squeezed; text ending in `sep` (or
// empty) has no empty field after it.
std::vector<std::string> split_fields(std::string_view s, char sep);
// Splits at `sep` where no parenthesis or brace is open.
std::vector<std::string> split_top(std::string_view s, std::string_view sep);

} // namespace kxnft
