#include "kxui/users/group_props.h"

#include "kxset/sio.h"
#include "kxu/report.h"
#include "kxui/users/kxa.h"

#include <algorithm>
#include <cctype>

namespace {

bool kept(const std::string &g) { return g == KXA_ALL_USERS || g == KXA_ALL_GROUPS || g == KXA_ALL_TEMPLATES; }

bool has(const std::vector<std::string> &names, const std::string &name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::string record_text(const kxset *set) {
  std::string out;
  if (set)
    sio_swrite(out, set);
  return out;
}

std::string loop_message(const std::string &target, const std::string &container) {
  return kxu::format("Membership loop: Group %s contained in group %s", target.c_str(), container.c_str());
}

// Sets a text property; an empty text removes it.
void put_text(kxset *group, const char *attr, const std::string &value) {
  if (value.empty())
    group->remove(KxAtom(attr));
  else
    kxa_put(group, attr, value);
}

// The members of `group` as `names` (entries by name: kxa_replace_group
// makes them from the members' records).
void put_members(kxset *group, const std::vector<std::string> &names) {
  for (int i = group->getnattr() - 1; i >= 0; --i)
    if (!group->getattrnamea(i).is_named())
      group->remove(i);
  for (const std::string &n : names)
    group->append(KxAtom::null(), kxset::make(KxAtom(n)));
}

// Records the replacement of the stored group `name` by `edit(copy)`.
std::optional<KxaChange> change_group(const std::string &name,
                                      const std::function<bool(kxset *group)> &edit) {
  if (!kxa_db()) {
    error(0, 0, "ndb: database not opened");
    return std::nullopt;
  }
  if (kept(name)) {
    error(0, 0, "%s Can't be modified", name.c_str());
    return std::nullopt;
  }
  KxSetRef stored(kxa_fetchgroup(name));
  if (!stored) {
    error(0, 0, "%s: no such group", name.c_str());
    return std::nullopt;
  }
  KxSetRef to(kxsetcopy(stored.get(), -1));
  if (!edit(to.get()))
    return std::nullopt;
  return kxa_record([&] { return kxa_replace_group(stored.get(), to.get()); });
}

} // namespace

GroupValues group_values(const kxset *group) {
  GroupValues v;
  v.name = group ? group->getname() : "";
  v.comments = kxa_text(group, "comments");
  v.color = kxa_text(group, "color");
  v.members = kxa_members_of(group);
  return v;
}

std::optional<std::string> group_member_refusal(const std::string &group, const std::string &member) {
  if (kept(group))
    return group + " Can't be modified";
  if (member.empty())
    return "Must specify name";
  if (member == group)
    return loop_message(group, group);
  if (kept(member))
    return member + " is kept by the database itself";
  KxSetRef user(kxa_fetchuser(member));
  if (user && is_template(user.get()))
    return "User Templates may not be added to groups";
  if (user)
    return std::nullopt;
  if (KxSetRef g(kxa_fetchgroup(member)); !g)
    return member + ": no such user or group";
  if (kxa_group_contains(member, group))
    return loop_message(group, member);
  return std::nullopt;
}

std::vector<std::string> group_member_choices(const std::string &group) {
  std::vector<std::string> out;
  KxSetRef all(kxa_db() ? kxa_fetch_all() : nullptr);
  for (const char *part : {"users", "groups"}) {
    const kxset *list = all ? all->get(KxAtom(part)) : nullptr;
    for (int i = 0; list && i < list->getnattr(); ++i) {
      const kxset *o = list->get(i);
      const std::string n = o->getname();
      if (is_template(o) || kept(n) || n == group || has(out, n))
        continue;
      if (std::string(part) == "groups" && !group.empty() && kxa_group_contains(n, group))
        continue;
      out.push_back(n);
    }
  }
  return out;
}

GroupWindow::GroupWindow(const kxset *record, bool is_new)
    : stored_(is_new ? nullptr : kxsetcopy(record, -1)), base_(kxsetcopy(record, -1)),
      shown_(group_values(record)) {}

std::string GroupWindow::stored_name() const { return base_ ? base_->getname() : ""; }

GroupWindow::Outcome GroupWindow::apply(const GroupValues &raw, const GroupHooks &hooks) {
  change_ = {};
  GroupValues v = raw;
  v.members.clear();
  for (const std::string &m : raw.members)
    if (!has(v.members, m))
      v.members.push_back(m);
  auto refuse = [](const std::string &why) {
    error(0, 0, "%s", why.c_str());
    return Outcome::refused;
  };
  if (v.name.empty())
    return refuse("Must specify name");
  if (!std::isalpha(static_cast<unsigned char>(v.name[0])))
    return refuse("Name must start with a letter");
  if (kept(v.name))
    return refuse(v.name + " Can't be modified");
  if (!kxa_db())
    return refuse("No user database is open");
  const bool renamed = !is_new() && v.name != stored_->getname();
  if ((is_new() || renamed) && hooks.name_taken)
    if (auto taken = hooks.name_taken(v.name))
      return refuse(*taken);
  // A member is checked against the group's stored name (what the database
  // knows) and its new one.
  for (const std::string &m : v.members) {
    if (m == v.name)
      return refuse(loop_message(v.name, v.name));
    if (auto why = group_member_refusal(is_new() ? v.name : stored_name(), m))
      return refuse(*why);
  }
  // Only what changed is written: an untouched field keeps the record's
  // property as it was.
  KxSetRef to(kxsetcopy(base_.get(), -1, KxAtom(v.name)));
  if (v.comments != shown_.comments)
    put_text(to.get(), "comments", v.comments);
  if (v.color != shown_.color)
    put_text(to.get(), "color", v.color);
  if (v.members != shown_.members)
    put_members(to.get(), v.members);
  if (!is_new() && record_text(to.get()) == record_text(stored_.get()))
    return Outcome::applied;
  auto done = kxa_record([&] { return kxa_replace_group(stored_.get(), to.get()); });
  if (!done)
    return Outcome::refused;
  change_ = std::move(*done);
  stored_ = KxSetRef(kxa_fetchgroup(v.name));
  base_ = KxSetRef(kxsetcopy(stored_.get(), -1));
  shown_ = group_values(stored_.get());
  return Outcome::applied;
}

std::optional<KxaChange> usrgroup_add_members(const std::string &group, const std::vector<std::string> &names) {
  return change_group(group, [&](kxset *g) {
    std::vector<std::string> members = kxa_members_of(g);
    for (const std::string &n : names) {
      if (has(members, n))
        continue;
      if (auto why = group_member_refusal(group, n)) {
        error(0, 0, "%s", why->c_str());
        return false;
      }
      members.push_back(n);
    }
    put_members(g, members);
    return true;
  });
}

std::optional<KxaChange> usrgroup_remove_members(const std::string &group,
                                                 const std::vector<std::string> &names) {
  return change_group(group, [&](kxset *g) {
    std::vector<std::string> members = kxa_members_of(g);
    std::erase_if(members, [&](const std::string &m) { return has(names, m); });
    put_members(g, members);
    return true;
  });
}

std::optional<KxaChange> users_remove(const std::string &name) {
  if (kept(name)) {
    error(0, 0, "%s Can't be modified", name.c_str());
    return std::nullopt;
  }
  if (!kxa_db()) {
    error(0, 0, "ndb: database not opened");
    return std::nullopt;
  }
  KxSetRef user(kxa_fetchuser(name));
  KxSetRef group(user ? nullptr : kxa_fetchgroup(name));
  if (!user && !group) {
    error(0, 0, "%s: no such user or group", name.c_str());
    return std::nullopt;
  }
  return kxa_record([&] { return user ? kxa_delete(user.get()) : kxa_delete_group(group.get()); });
}
