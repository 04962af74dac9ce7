// Applying an import plan to the network objects as one edit.
#include "kxui/import/import.h"

#include "kxui/editor/edits.h"
#include "kxui/editor/objforms.h"
#include "kxui/import/import_names.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"

#include <cctype>
#include <map>
#include <memory>
#include <set>

namespace {

using kximport::lower;

// A table's members in order, and an object's name and attributes (values
// shared: the import replaces values and never changes one in place).
using TableState = std::vector<std::pair<KxAtom, KxSetRef>>;

TableState table_state(const kxset *t) {
  TableState s;
  for (int i = 0, n = t->getnattr(); i < n; ++i) s.emplace_back(t->getattrnamea(i), t->get(i));
  return s;
}

void restore_table(kxset *t, const TableState &s) {
  kxobj_emptylist(t);
  t->reserve(static_cast<int>(s.size()));
  for (const auto &[name, obj] : s) t->append(name, obj.get());
}

struct ObjectState {
  KxSetRef obj, copy;
  explicit ObjectState(kxset *o) : obj(o), copy(kxobj_dupobj(o)) {}
  void restore() const {
    obj->setname(copy->getnamea());
    kxobj_copyback(obj.get(), copy.get());
  }
};

struct Snapshot {
  TableState table;
  std::vector<ObjectState> objects;
  void restore(kxset *t) const {
    restore_table(t, table);
    for (const ObjectState &o : objects) o.restore();
    obj_modified = 1;
  }
};

const char *type_of(ImportKind k) {
  switch (k) {
  case ImportKind::host: return "host";
  case ImportKind::network: return "network";
  case ImportKind::netgroup: break;
  }
  return "group";
}

// A new object for an entry: name, type and address, then what the setup's
// template adds, then the defaults of its property window.
kxset *make_object(const ImportEntry &e, const std::string &name, const char *type, const ImportSetup &setup) {
  kxset *obj = kxobj_new(name.c_str());
  kxobj_put(obj, "type", type);
  if (e.kind != ImportKind::netgroup) kxobj_put(obj, "ipaddr", e.address.c_str());
  if (e.kind == ImportKind::network) kxobj_put(obj, "netmask", e.netmask.c_str());
  const kxset *tmpl = e.kind == ImportKind::host      ? setup.host.get()
                      : e.kind == ImportKind::network ? setup.network.get()
                                                      : setup.group.get();
  for (int i = 0, n = tmpl ? tmpl->getnattr() : 0; i < n; ++i) {
    const KxAtom name_a = tmpl->getattrnamea(i);
    if (name_a.is_null() || name_a.is_zero() || obj->get(name_a)) continue;
    KxSetRef value(kxobj_rcopy(tmpl->get(i)));
    obj->set(name_a, value.get());
  }
  if (!*kxobj_get(obj, "comments")) kxobj_put(obj, "comments", ("imported from " + e.file).c_str());
  if (e.kind == ImportKind::host) obj_defaults(ObjKind::host, obj);
  return obj;
}

bool offered(const ImportItem &item) {
  for (ImportChoice c : item.choices())
    if (c == item.choice) return true;
  return false;
}

// The existing object a replace or merge works on.
kxset *target_of(const ImportItem &item) {
  return item.clash == ImportClash::address ? item.by_address.get() : item.by_name.get();
}

} // namespace

ImportResult import_apply(const ImportPlan &plan, kxset *netobj, const ImportSetup &setup, const UserNames &users) {
  ImportResult r;
  if (!netobj) {
    r.refused = "No network objects";
    return r;
  }
  // Every choice first: nothing is changed when one is refused.
  const auto names = kximport::by_name(netobj);
  std::map<std::string, std::string> made; // lower-case name -> the entry that makes it
  for (const ImportItem &item : plan.items) {
    const std::string &name = item.entry.name;
    if (!offered(item)) {
      r.refused = name + ": " + import_choice_name(item.choice) + " is not offered for " + import_clash_name(item.clash);
      return r;
    }
    std::string makes;
    if (item.choice == ImportChoice::rename) {
      makes = item.new_name;
      if (!import_name_ok(makes)) {
        r.refused = name + ": '" + makes + "' cannot be an object name";
        return r;
      }
      if (auto held = names.find(lower(makes)); held != names.end()) {
        r.refused = name + ": " + makes + " is taken by " + kxobj_name(held->second);
        return r;
      }
      if (auto taken = name_in_use(makes, nullptr, users)) {
        r.refused = name + ": " + *taken;
        return r;
      }
    } else if (item.choice == ImportChoice::add ||
               (item.choice == ImportChoice::replace && item.clash == ImportClash::address)) {
      makes = name;
    }
    if (makes.empty()) continue;
    if (auto [it, fresh] = made.emplace(lower(makes), name); !fresh) {
      r.refused = name + ": " + makes + " is made by " + it->second + " too";
      return r;
    }
  }

  auto before = std::make_shared<Snapshot>();
  before->table = table_state(netobj);
  std::set<const kxset *> recorded;
  auto record = [&](kxset *obj) {
    if (obj && recorded.insert(obj).second) before->objects.emplace_back(obj);
  };
  // Netgroups get their members once every host, network and group is in
  // place, so that they may name each other in any order.
  std::vector<std::pair<kxset *, const ImportItem *>> groups;
  for (const ImportItem &item : plan.items) {
    const ImportEntry &e = item.entry;
    const bool group = e.kind == ImportKind::netgroup;
    switch (item.choice) {
    case ImportChoice::skip:
    case ImportChoice::keep: ++r.kept; break;
    case ImportChoice::add:
    case ImportChoice::rename: {
      const bool renamed = item.choice == ImportChoice::rename;
      KxSetRef obj(make_object(e, renamed ? item.new_name : e.name, type_of(e.kind), setup));
      kxobj_append(netobj, obj.get());
      if (group) groups.emplace_back(obj.get(), &item);
      ++(renamed ? r.renamed : r.added);
      break;
    }
    case ImportChoice::replace: {
      kxset *target = target_of(item);
      record(target);
      if (item.clash == ImportClash::address) {
        kxobj_put(target, nullptr, e.name.c_str());
      } else if (group) {
        for (int i = target->getnattr() - 1; i >= 0; --i)
          if (target->getattrnamea(i).is_null()) target->remove(i);
        groups.emplace_back(target, &item);
      } else {
        kxobj_put(target, "ipaddr", e.address.c_str());
        if (e.kind == ImportKind::network) kxobj_put(target, "netmask", e.netmask.c_str());
      }
      ++r.replaced;
      break;
    }
    case ImportChoice::merge: {
      kxset *target = target_of(item);
      record(target);
      const char *type = kxobj_type(target);
      KxSetRef from(make_object(e, target->getname(), type && *type ? type : type_of(e.kind), setup));
      kxobj_merge(target, from.get());
      if (group) groups.emplace_back(target, &item); // the members missing are added below
      ++r.merged;
      break;
    }
    }
  }
  const auto now_named = kximport::by_name(netobj);
  for (const auto &[group, item] : groups) {
    const ImportEntry &e = item->entry;
    auto left_out = [&](const std::string &member, const std::string &why) {
      r.messages.push_back("netgroup " + e.name + ": " + member + " " + why + ", left out");
    };
    std::set<const kxset *> present;
    for (const kxset *m : kximport::members(group)) present.insert(m);
    for (const auto *list : {&e.hosts, &e.groups}) {
      const bool nested = list == &e.groups;
      for (const std::string &name : *list) {
        const auto found = now_named.find(lower(name));
        kxset *m = found == now_named.end() ? nullptr : found->second;
        if (!m) {
          left_out(name, "is no network object");
          continue;
        }
        if (nested && (!is_group(m) || is_usergroup(m))) {
          left_out(name, "is no group");
          continue;
        }
        if (present.count(m)) continue;
        if (auto loop = check_add_objects(group, {m}, ObjList::netobj, users)) {
          left_out(name, "would contain the group itself");
          continue;
        }
        kxobj_append(group, m);
        present.insert(m);
      }
    }
  }
  if (r.added + r.replaced + r.merged + r.renamed == 0) return r;
  auto after = std::make_shared<Snapshot>();
  after->table = table_state(netobj);
  for (const ObjectState &o : before->objects) after->objects.emplace_back(o.obj.get());
  obj_modified = 1;
  KxSetRef table(netobj);
  kx_edits().push({"Import", [table, before] { before->restore(table.get()); },
                   [table, after] { after->restore(table.get()); }});
  return r;
}
