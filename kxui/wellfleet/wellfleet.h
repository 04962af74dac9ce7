// Filters for routers of the vendor "wellfleet": the rule base becomes a set
// of prioritized filter rules whose fields (IP source and destination,
// protocol, source and destination port) accept lists of numeric ranges.
#pragma once

#include "kxui/rfile/rule.h"

#include "kxset/kxset.h"

#include <optional>
#include <string>

// The set text of the filter projected onto `routers` (null: every router
// of the vendor), written relative to the objects database; nothing on
// failure (reported).
std::optional<std::string> wellfleet_rulebase(const rule_list &rules, const kxset *routers);

// Every router of the vendor "wellfleet" (a new list, count 0).
kxset *kxell_any_gen();

// The filter of a set whose "rule" attributes are the rules (count 0), or
// null. `interactive` shows verification warnings as a notice, otherwise on
// standard error.
kxset *kxell_filter_gen(const kxset *container, int interactive);

// A new filter keeping the non-rule attributes and the rules whose scope
// meets `routers`, with "priority" numbered from 1 in the kept order.
kxset *kxell_filter_project(const kxset *filter, const kxset *routers);

// Reads the rule file `name` (current directory, else the conf directory)
// against the loaded objects database (the caller loads it); the rule base
// (count 0) or null (reported on standard error).
kxset *kxell_rulebase_read(const char *name);
// The same, then the filter of it.
kxset *kxell_rulebase_gen(const char *name, int interactive);

// A status text whose first 8 characters encode a time: letters from "I"
// upwards, each a 4-bit digit, the first the least significant. The letters
// are removed from `text` and the time is returned formatted; "-" for a
// shorter text or a letter below "I".
std::string kxell_decode_when(std::string &text);
