// Where used: every group that holds an object or service, directly or
// through other groups, and every rule cell that names it, directly or
// through groups. The command line and the editor's "Where used" both ask
// this.
#pragma once

#include "kxui/compiler/check.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kxan {

struct GroupUse {
  std::string table;            // "netobj" or "servobj"
  std::string group;
  std::vector<std::string> via; // groups between this group and the object (empty: direct)
};

struct RuleUse {
  std::string rulebase; // as given
  int rule = 0;         // 1-based
  std::string cell;     // "src", "dst", "services", "install", "action", "track"
  std::string item;     // the cell's member: the object itself or a group that holds it
  std::vector<std::string> via; // groups from `item` (included) down to the object (empty: direct)
};

struct WhereUsed {
  std::string name;  // as the object is named
  std::string table; // where it was found
  std::vector<GroupUse> groups;
  std::vector<RuleUse> rules;
};

using NamedRulebase = std::pair<std::string, rule_array>;

// Looks `name` up (case ignored) in the network objects, then the services,
// then the actions and tracks; nothing, with a message in `err`, when no
// table has it.
std::optional<WhereUsed> where_used(const std::string &name, const std::vector<NamedRulebase> &rulebases,
                                    std::string *err);

std::string where_text(const WhereUsed &w);
std::string where_json(const WhereUsed &w);

} // namespace kxan
