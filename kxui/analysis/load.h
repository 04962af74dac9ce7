// Reading a rule base for analysis, and choosing the target it is analysed on.
#pragma once

#include "kxui/analysis/model.h"
#include "kxui/rfile/rule.h"

#include <optional>
#include <string>

namespace kxan {

// Reads the rule base at `path` against the loaded objects; nothing when it
// cannot be opened or read (the message in `err`, the reader's own reports
// on standard error).
std::optional<rule_list> read_rulebase(const std::string &path, std::string *err);

// The target called `name` among the rules' install targets; with an empty
// name the only one there is. Nothing, with the reason in `err`, when no rule
// installs on that name, or the name is empty and there are none or several.
std::optional<Target> choose_target(const rule_array &rules, const std::string &name, std::string *err);

} // namespace kxan
