// The user group window without a toolkit: the values it shows (name,
// comments, colour, members), the members it offers, and "Apply", which
// checks everything before it writes the group through kxa_replace_group as
// one recorded change. Also the users manager's "Add to Group" and "Remove".
//
// Refusals go through error(), so a window shows them as notices and the
// tests collect them.
#pragma once

#include "kxset/kxset.h"
#include "kxui/users/kxa_change.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct GroupValues {
  std::string name, comments, color;
  std::vector<std::string> members;
  bool operator==(const GroupValues &) const = default;
};

GroupValues group_values(const kxset *group);

// Why `member` may not join the user group `group` of the current
// database: a name kept by the database, no such user or group, a
// template, the group itself, or a group that holds `group` (a membership
// loop). Nothing when it may.
std::optional<std::string> group_member_refusal(const std::string &group, const std::string &member);

// The users and groups `group` may take as members, in the database's
// order: every user and group but templates, the groups the database keeps,
// the group itself and the groups that hold it.
std::vector<std::string> group_member_choices(const std::string &group);

struct GroupHooks {
  // The refusal message when a user, object or service holds the name.
  std::function<std::optional<std::string>(const std::string &name)> name_taken;
};

class GroupWindow {
public:
  // `record` is the group as stored, or a new group (`is_new`) that is
  // stored on its first "Apply".
  GroupWindow(const kxset *record, bool is_new);

  const GroupValues &shown() const { return shown_; }
  bool is_new() const { return !stored_; }
  // The name the group has in the database (the window's own name while new).
  std::string stored_name() const;

  enum class Outcome { applied, refused };
  // "Apply": checks the name and every member, then writes only what
  // changed. An unchanged window writes nothing; a refused or failed one
  // leaves the database as it was.
  Outcome apply(const GroupValues &v, const GroupHooks &hooks);
  // What the last applied "Apply" wrote (empty when nothing changed).
  const KxaChange &change() const { return change_; }

private:
  KxSetRef stored_, base_;
  GroupValues shown_;
  KxaChange change_;
};

// The users manager's commands, each one change of the database; none when
// refused (reported) or failed (nothing written).
// Adds the named users and groups to `group` (names it holds already are
// left as they are); any refused name refuses the whole request.
std::optional<KxaChange> usrgroup_add_members(const std::string &group, const std::vector<std::string> &names);
// Takes the named members out of `group`; the users and groups stay.
std::optional<KxaChange> usrgroup_remove_members(const std::string &group,
                                                 const std::vector<std::string> &names);
// Removes a user, template or group from the database. A removed group's
// members stay in the database and leave it.
std::optional<KxaChange> users_remove(const std::string &name);
