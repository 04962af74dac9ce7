// Sorting the table entries into new objects, unchanged ones and clashes.
#include "kxui/import/import.h"

#include "kxui/import/import_names.h"
#include "kxui/obj/kxobj.h"
#include "kxui/obj/tables.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <unordered_map>

namespace {

using kximport::lower;

const char *kind_name(ImportKind k) {
  switch (k) {
  case ImportKind::host: return "host";
  case ImportKind::network: return "network";
  case ImportKind::netgroup: break;
  }
  return "netgroup";
}

// Whether an existing object can stand for an entry of this kind.
bool fits(const kxset *obj, ImportKind k) {
  switch (k) {
  case ImportKind::host: return is_node(obj);
  case ImportKind::network: return is_net(obj);
  case ImportKind::netgroup: break;
  }
  return is_group(obj) && !is_usergroup(obj);
}

std::string address_of(const ImportEntry &e) {
  return e.kind == ImportKind::network ? e.address + "/" + e.netmask : e.address;
}

std::string address_of(const kxset *obj) {
  std::string a = kxobj_get(obj, "ipaddr");
  if (is_net(obj)) a += std::string("/") + kxobj_get(obj, "netmask");
  return a;
}

std::set<std::string> member_names(const kxset *group) {
  std::set<std::string> out;
  for (const kxset *m : kximport::members(group)) out.insert(lower(m->getname()));
  return out;
}

std::set<std::string> member_names(const ImportEntry &e) {
  std::set<std::string> out;
  for (const auto *list : {&e.hosts, &e.groups})
    for (const std::string &m : *list) out.insert(lower(m));
  return out;
}

bool same_values(const ImportEntry &e, const kxset *obj) {
  if (e.kind == ImportKind::netgroup) return member_names(e) == member_names(obj);
  return address_of(e) == address_of(obj);
}

std::string what(const kxset *obj) {
  const char *type = kxobj_type(obj);
  return std::string(type && *type ? type : "object") + " " + kxobj_name(obj);
}

} // namespace

const char *import_choice_name(ImportChoice c) {
  switch (c) {
  case ImportChoice::add: return "Add";
  case ImportChoice::skip: return "Skip";
  case ImportChoice::keep: return "Keep";
  case ImportChoice::replace: return "Replace";
  case ImportChoice::merge: return "Merge";
  case ImportChoice::rename: break;
  }
  return "Rename";
}

const char *import_clash_name(ImportClash c) {
  switch (c) {
  case ImportClash::none: return "new";
  case ImportClash::same: return "unchanged";
  case ImportClash::name: return "same name";
  case ImportClash::address: return "same address";
  case ImportClash::both: return "same name and address";
  case ImportClash::elsewhere: break;
  }
  return "name taken";
}

std::vector<ImportChoice> ImportItem::choices() const {
  using C = ImportChoice;
  switch (clash) {
  case ImportClash::none: return {C::add, C::skip};
  case ImportClash::same: return {C::keep};
  case ImportClash::name:
  case ImportClash::both: return {C::keep, C::replace, C::merge, C::rename};
  case ImportClash::address: return {C::keep, C::replace, C::merge, C::add};
  case ImportClash::elsewhere: break;
  }
  return {C::keep, C::rename};
}

std::string ImportItem::describe() const {
  const std::string mine = std::string(kind_name(entry.kind)) + " " + entry.name;
  auto values = [&](const kxset *obj) {
    return entry.kind == ImportKind::netgroup ? std::string(" with other members") : " with " + address_of(obj);
  };
  switch (clash) {
  case ImportClash::none:
    return "new " + mine + (entry.kind == ImportKind::netgroup ? "" : " " + address_of(entry));
  case ImportClash::same: return what(by_name.get()) + " is already there";
  case ImportClash::name: return what(by_name.get()) + " is there" + values(by_name.get()) + ", not " + (entry.kind == ImportKind::netgroup ? std::string("the netgroup's") : address_of(entry));
  case ImportClash::address: return address_of(entry) + " is " + what(by_address.get()) + ", not " + entry.name;
  case ImportClash::both:
    return what(by_name.get()) + " is there" + values(by_name.get()) + ", and " + address_of(entry) + " is " +
           what(by_address.get());
  case ImportClash::elsewhere: break;
  }
  return "the name " + entry.name + " is taken by " + holder;
}

size_t ImportPlan::count(ImportClash c) const {
  return static_cast<size_t>(std::count_if(items.begin(), items.end(), [c](const ImportItem &i) { return i.clash == c; }));
}

ImportPlan import_plan(const ImportRead &read, const kxset *netobj, const UserNames &users) {
  ImportPlan plan;
  plan.messages = read.messages;
  plan.more_messages = read.more_messages;
  auto note = [&](std::string m) {
    if (plan.messages.size() < import_messages_max) plan.messages.push_back(std::move(m));
    else ++plan.more_messages;
  };
  // The network objects by lower-case name, and the nodes and networks by
  // address (the first of each).
  std::unordered_map<std::string, kxset *> by_name, nodes, nets;
  for (kxset *m : kximport::members(netobj)) {
    by_name.emplace(lower(m->getname()), m);
    if (is_node(m)) nodes.emplace(kxobj_get(m, "ipaddr"), m);
    else if (is_net(m)) nets.emplace(address_of(m), m);
  }
  const auto services = kximport::by_name(kx_services);
  std::unordered_map<std::string, const ImportEntry *> seen;
  for (const ImportEntry &e : read.entries) {
    const std::string key = lower(e.name);
    if (auto [it, fresh] = seen.emplace(key, &e); !fresh) {
      note(e.file + ", line " + std::to_string(e.line) + ": " + e.name + " came before (" + it->second->file +
           ", line " + std::to_string(it->second->line) + "), left out");
      continue;
    }
    ImportItem item;
    item.entry = e;
    kxset *named = nullptr;
    if (auto it = by_name.find(key); it != by_name.end()) named = it->second;
    if (!named) {
      const kxset *holder = nullptr;
      if (auto it = services.find(key); it != services.end()) holder = it->second;
      else if (users.find) holder = users.find(e.name);
      if (holder) {
        item.clash = ImportClash::elsewhere;
        item.holder = what(holder);
      }
    } else if (!fits(named, e.kind)) {
      item.clash = ImportClash::elsewhere;
      item.holder = what(named);
      item.by_name = named;
    }
    if (item.clash != ImportClash::elsewhere) {
      kxset *addressed = nullptr;
      if (e.kind != ImportKind::netgroup) {
        auto &index = e.kind == ImportKind::host ? nodes : nets;
        if (auto it = index.find(address_of(e)); it != index.end() && it->second != named) addressed = it->second;
      }
      item.by_name = named;
      item.by_address = addressed;
      if (named && same_values(e, named)) item.clash = ImportClash::same;
      else if (named) item.clash = addressed ? ImportClash::both : ImportClash::name;
      else if (addressed) item.clash = ImportClash::address;
    }
    item.choice = item.choices().front();
    plan.items.push_back(std::move(item));
  }
  return plan;
}
