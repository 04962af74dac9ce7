// The kxa_ layer's own helpers on member entries and `groups` references,
// shared by the files of the layer (not for its callers).
#pragma once

#include "kxset/kxset.h"

#include <string>

namespace kxa_detail {

bool is_groupish(const kxset *object);
// "All Users", "ALL_GROUPS" or "ALL_TEMPLATES".
bool maintained(const std::string &group);
// A new, empty group record.
kxset *new_group(const std::string &name);
// The entry that stands for `object` in a group: its name, `type` and `color`.
kxset *member_entry(const kxset *object);
void drop_member(kxset *group, const std::string &name);
// Replaces any member entry of the same name (appended at the end).
void put_member(kxset *group, const kxset *object);
bool lists_group(const kxset *object, const std::string &group);
void add_group_ref(kxset *object, const std::string &group);
void drop_group_ref(kxset *object, const std::string &group);
// Adds or removes `object` in a maintained or user group of the current
// database, creating the group when absent (a new group itself joins
// "ALL_GROUPS" and "All Users"). 0 or -1.
int group_member(const std::string &group, const kxset *object, bool add);

} // namespace kxa_detail
