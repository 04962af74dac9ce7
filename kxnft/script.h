// The filter script as the module's filter compiler reads it: the address
// and service definitions, the lists, and the statements in their order.
#pragma once

#include "name_map.h"

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
  // Looked up by name (the order of definition is list_order's).
  NameMap<Service> services;
  NameMap<Address> addresses;
  NameMap<List> lists;
  std::vector<std::string> list_order;
  std::vector<Statement> statements;
  std::set<int> auth_rules; // rule numbers of the auth rules database
};

// Told of what parse_script finds, in the script's order, as it reads: for
// readers that take more from the same reading than the Script keeps.
// `in_code` says whether the item begins in the filter code, the lines
// between "// Filter Code Start" and "// Filter Code End" (all lines when
// the script has no start line).
class ScriptListener {
public:
  virtual ~ScriptListener() = default;
  // A line that begins with "#define", squeezed.
  virtual void define(std::string_view) {}
  // A list definition, each time the script defines it; `kind` as written
  // (empty when the script names none). `so_far` holds what the script
  // defined before it.
  virtual void list(const Script &so_far, const List &, std::string_view kind, bool in_code) = 0;
  // A statement, as added to the script.
  virtual void statement(const Statement &, bool in_code) = 0;
};

// Reads a filter script (or the module's filter code, which has the same
// line forms). Never fails: lines it cannot place are kept as statements and
// refused by the compiler with their text.
Script parse_script(std::string_view text, ScriptListener *listener = nullptr);

// Whitespace runs as one blank, none at either end.
std::string squeeze(std::string_view s);
// The same into `out` (its buffer kept).
void squeeze_into(std::string &out, std::string_view s);
// The text without blanks at either end.
std::string_view trim(std::string_view s);
// Calls `field` with each part of `s` split at `sep` where no parenthesis or
// brace is open, as it stands (split_top's fields before squeezing).
template <class Field> void for_each_top(std::string_view s, std::string_view sep, Field field) {
  int depth = 0;
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '(' || c == '{')
      ++depth;
    else if ((c == ')' || c == '}') && depth > 0)
      --depth;
    else if (depth == 0 && !sep.empty() && c == sep.front() && s.compare(i, sep.size(), sep) == 0) {
      field(s.substr(start, i - start));
      start = i + sep.size();
      i = start - 1;
    }
  }
  field(s.substr(start));
}
// The text between the first "(" and the last ")" of a call NAME(a, b);
// nullopt when there is none.
std::optional<std::string_view> call_body(std::string_view call);
// Splits at every `sep`, each field squeezed; text ending in `sep` (or
// empty) has no empty field after it.
std::vector<std::string> split_fields(std::string_view s, char sep);
// Splits at `sep` where no parenthesis or brace is open.
std::vector<std::string> split_top(std::string_view s, std::string_view sep);

} // namespace kxnft
