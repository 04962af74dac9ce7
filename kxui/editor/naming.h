// The naming and grouping rules of the object managers: for a name typed in
// a manager, whether an existing object opens, a new one of which type is
// made, or the request is refused; and the checks before objects join a
// group. Names are unique across the network objects, the services and the
// users.
#pragma once

#include "kxset/kxset.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

enum class ObjList { netobj, services, users };

// The list's name: "netobj", "services", "users".
const char *obj_list_name(ObjList list);

// The users namespace, reached through hooks so that these rules do not
// depend on the user database: the user or group of that name (null when
// none), and whether an object is a user template.
struct UserNames {
  std::function<kxset *(const std::string &name)> find;
  std::function<bool(const kxset *obj)> is_template;
};

// The result of create-or-open.
struct EditCreate {
  enum Kind { open, create, refuse } kind = refuse;
  kxset *obj = nullptr; // open: the object; create: the new object (count 0, in no table yet)
  std::string message;  // refuse: why
};

// The type guessed for a new name in a list ("domain", "router", "network",
// "host", "group", "tcp", "udp", "rpc", "usrgroup", "user"), or nothing.
std::optional<std::string> auto_type(const std::string &name, ObjList list);

// Create or open by name. `requested` is the type of the manager's create
// menu, or "default". A new object gets its name and type ("class" "SDBM" in
// the users manager; a new domain a leading "."), nothing else.
EditCreate kxobj_editcreate(const std::string &name, const std::string &requested, ObjList list,
                            const UserNames &users = {});

// The object of another namespace, or of the same list, that holds `name`
// (case ignored), other than `self`; the refusal "%s: Already exists (%s)".
std::optional<std::string> name_in_use(const std::string &name, const kxset *self,
                                       const UserNames &users = {});

// The checks before adding `selected` to the group `target`: a selected group
// that contains the target is a membership loop; in the users manager a
// template may not join. The refusal message, or nothing.
std::optional<std::string> check_add_objects(const kxset *target, const std::vector<kxset *> &selected,
                                             ObjList list, const UserNames &users = {});

// notify_add_objects for the tables: the checks, then every selected object
// not yet a member is appended. The refusal, or nothing.
std::optional<std::string> notify_add_objects(kxset *target, const std::vector<kxset *> &selected,
                                              ObjList list, const UserNames &users = {});
