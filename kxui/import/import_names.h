// The import's look-ups by name without regard to case, built once per
// call: the table members are walked in one pass (member look-ups by name
// or position walk the whole table each time).
#pragma once

#include "kxset/kxset.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace kximport {

std::string lower(std::string s);

// The anonymous members of a table or group, in order.
std::vector<kxset *> members(const kxset *list);

// Lower-case name -> the first member of that name.
std::unordered_map<std::string, kxset *> by_name(const kxset *list);

} // namespace kximport
