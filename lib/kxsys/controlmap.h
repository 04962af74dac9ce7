// The permission table of control.map: which authentication method a peer
// must pass for each command.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kxsys {

// Command names known to control.map.
const std::vector<std::string> &kx_command_names();

struct kxusr_source {
  uint32_t address = 0, mask = 0; // host order; mask 0 matches every address
  bool matches(uint32_t a) const { return (a & mask) == (address & mask); }
};
struct kxusr_segment {
  std::string method;
  std::vector<std::string> commands; // "*" covers all
};
struct kxusr_rule {
  std::vector<kxusr_source> sources;
  std::vector<kxusr_segment> segments;
};
struct kxusr_table {
  std::vector<kxusr_rule> rules;
  std::vector<std::string> messages; // complaints about skipped lines
  std::string fatal;                 // non-empty: the table can't be used
};

// Parses control.map text. `masters` yields the text of the "masters" file
// (nullopt when it can't be read). Sources are "*", "masters", a dotted
// address, ADDRESS/BITS, or a host name.
// `resolve` turns a host word into an address (default: kx_resolve).
using kxusr_resolver = std::function<bool(const std::string &, uint32_t &)>;
kxusr_table kxusr_parse(const std::string &text,
                        const std::function<std::optional<std::string>()> &masters,
                        const kxusr_resolver &resolve = {});
// Reads control.map (and "masters") from the configuration directory.
kxusr_table kxusr_load(const std::string &confdir);
// The method for a command from a peer, or "" when none is granted.
std::string kxusr_get(const kxusr_table &table, uint32_t address, const std::string &command);

} // namespace kxsys
