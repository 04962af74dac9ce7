#include "kxui/editor/naming.h"

#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxu/report.h"
#include "kxu/sym.h"

#include <cctype>

namespace {

constexpr const char kAllUsers[] = "All Users";

kxset *table_of(ObjList list) {
  switch (list) {
  case ObjList::netobj:
    return kx_netobj;
  case ObjList::services:
    return kx_services;
  case ObjList::users:
    break;
  }
  return nullptr;
}

kxset *find_in(ObjList list, const std::string &name, const UserNames &users) {
  if (list == ObjList::users) return users.find ? users.find(name) : nullptr;
  return kxobj_member(table_of(list), name.c_str());
}

std::string already_exists(const std::string &name, const kxset *obj) {
  const char *type = kxobj_type(obj);
  return kxu::format("%s: Already exists (%s)", name.c_str(), type ? type : "");
}

bool contains(const std::string &s, const char *part) { return s.find(part) != std::string::npos; }

} // namespace

const char *obj_list_name(ObjList list) {
  switch (list) {
  case ObjList::netobj:
    return "netobj";
  case ObjList::services:
    return "services";
  case ObjList::users:
    break;
  }
  return "users";
}

std::optional<std::string> auto_type(const std::string &name, ObjList list) {
  if (name.empty()) return std::nullopt;
  long number = 0;
  const bool upper = std::isupper(static_cast<unsigned char>(name[0]));
  switch (list) {
  case ObjList::netobj:
    if (name[0] == '.') return "domain";
    if (contains(name, "cisco") || contains(name, "well")) return "router";
    if (getsym(name.c_str(), SYM_NETWORKS, &number) == 0) return "network";
    if (getsym(name.c_str(), SYM_HOSTS, &number) == 0) return "host";
    if (contains(name, "net")) return "network";
    if (upper) return "group";
    return std::nullopt;
  case ObjList::services:
    if (getsym(name.c_str(), SYM_TCP, &number) == 0) return "tcp";
    if (getsym(name.c_str(), SYM_UDP, &number) == 0) return "udp";
    if (getsym(name.c_str(), SYM_RPC, &number) == 0) return "rpc";
    if (contains(name, "tcp")) return "tcp";
    if (contains(name, "udp")) return "udp";
    return std::nullopt;
  case ObjList::users:
    break;
  }
  return upper ? "usrgroup" : "user";
}

std::optional<std::string> name_in_use(const std::string &name, const kxset *self,
                                       const UserNames &users) {
  for (ObjList l : {ObjList::netobj, ObjList::services, ObjList::users}) {
    const kxset *found = find_in(l, name, users);
    if (found && found != self) return already_exists(name, found);
  }
  return std::nullopt;
}

EditCreate kxobj_editcreate(const std::string &typed, const std::string &requested, ObjList list,
                            const UserNames &users) {
  auto refuse = [](std::string msg) { return EditCreate{EditCreate::refuse, nullptr, std::move(msg)}; };
  if (typed.empty()) return refuse("Must specify name");
  if (!std::isalpha(static_cast<unsigned char>(typed[0])) && typed[0] != '.')
    return refuse("Name must start with a letter");
  if (typed == kAllUsers) return refuse("All Users Can't be modified");

  const bool by_default = requested == "default";
  std::string name = typed;
  // A domain asked for by type is named with its leading ".".
  if (!by_default && requested == "domain" && name[0] != '.') name.insert(0, ".");

  kxset *found = find_in(list, name, users);
  if (!found) {
    const ObjList order[] = {ObjList::users, ObjList::netobj, ObjList::services};
    for (ObjList other : order) {
      if (other == list) continue;
      if (kxset *elsewhere = find_in(other, name, users)) return refuse(already_exists(name, elsewhere));
    }
  }
  if (found) {
    if (!by_default) return refuse(kxu::format("%s: Already exists", name.c_str()));
    return {EditCreate::open, found, {}};
  }

  std::string type = requested;
  if (by_default) {
    auto guessed = auto_type(name, list);
    if (!guessed) return refuse(kxu::format("%s: Must specify type", name.c_str()));
    type = *guessed;
  }
  if (type == "domain" && name[0] != '.') name.insert(0, ".");
  kxset *obj = kxobj_create(nullptr, name.c_str(), type.c_str());
  if (list == ObjList::users) kxobj_put(obj, "class", "SDBM");
  return {EditCreate::create, obj, {}};
}

std::optional<std::string> check_add_objects(const kxset *target, const std::vector<kxset *> &selected,
                                             ObjList list, const UserNames &users) {
  if (!target) return "No group";
  for (kxset *obj : selected) {
    if (!is_group(obj)) continue;
    if (obj == target || kxobj_intersec(obj, target))
      return kxu::format("Membership loop: Group %s contained in group %s", kxobj_name(target),
                         kxobj_name(obj));
  }
  if (list == ObjList::users && users.is_template)
    for (const kxset *obj : selected)
      if (users.is_template(obj)) return "User Templates may not be added to groups";
  return std::nullopt;
}

std::optional<std::string> notify_add_objects(kxset *target, const std::vector<kxset *> &selected,
                                              ObjList list, const UserNames &users) {
  if (auto refused = check_add_objects(target, selected, list, users)) return refused;
  for (kxset *obj : selected)
    if (!kxobj_obj(target, kxobj_name(obj))) kxobj_append(target, obj);
  obj_modified = 1;
  return std::nullopt;
}
