// kxc users: list, show, add, delete and check the users of the
// installation's user database.
#include "kxc/command.h"
#include "kxc/users_db.h"

#include "kxset/sio.h"
#include "kxskey/skey.h"
#include "kxu/report.h"
#include "kxui/users/kxa.h"
#include "kxui/users/user_attrs.h"
#include "kxui/users/user_props.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const kUsage =
    "users list [--groups] | show NAME | add NAME [--template T] [--group G]... "
    "[--expires DATE] [--skey GATEWAY] [--type user|template] | del NAME | check";

int list(const kxc::Args &args) {
  bool groups = args.size() > 1 && args[1] == "--groups";
  if (args.size() > 2 || (args.size() == 2 && !groups))
    return kxc::usage_error(kUsage);
  kxc::UsersDb db;
  if (!db)
    return 1;
  KxSetRef all(kxa_fetch_all());
  const kxset *part = all->get(KxAtom(groups ? "groups" : "users"));
  for (int i = 0; i < part->getnattr(); ++i) {
    const kxset *o = part->get(i);
    std::string line = o->getname();
    if (groups) {
      line += ":";
      for (auto &m : kxa_members_of(o))
        line += " " + m;
    } else {
      line += " (" + kxa_text(o, "type") + ")";
    }
    std::printf("%s\n", line.c_str());
  }
  return 0;
}

int show(const kxc::Args &args) {
  if (args.size() != 2)
    return kxc::usage_error(kUsage);
  kxc::UsersDb db;
  if (!db)
    return 1;
  KxSetRef o(kxa_fetchuser(args[1]));
  if (!o)
    o = KxSetRef(kxa_fetchgroup(args[1]));
  if (!o) {
    error(0, 0, "no user or group %s", args[1].c_str());
    return 1;
  }
  return sio_write(stdout, o.get()) == 0 && std::printf("\n") > 0 ? 0 : 1;
}

struct AddOptions {
  std::string type = "user", templ, expires, skey;
  std::vector<std::string> groups;
};

// Options in any order; false for a usage error.
bool parse_add(const kxc::Args &args, AddOptions &o) {
  for (size_t i = 2; i < args.size(); i += 2) {
    if (i + 1 >= args.size())
      return false;
    const std::string &opt = args[i], &value = args[i + 1];
    if (opt == "--type" && (value == "user" || value == "template"))
      o.type = value;
    else if (opt == "--template")
      o.templ = value;
    else if (opt == "--group")
      o.groups.push_back(value);
    else if (opt == "--expires")
      o.expires = value;
    else if (opt == "--skey")
      o.skey = value;
    else
      return false;
  }
  return true;
}

// A new user takes its initial values from its template, as the user
// manager makes one: every property but the type and the template's own
// S/Key chain (seed and password belong to one user); the template's groups
// become the user's.
bool apply_template(kxset *user, const std::string &name) {
  KxSetRef t(kxa_fetchuser(name));
  if (!t || !is_template(t.get())) {
    error(0, 0, "no template %s", name.c_str());
    return false;
  }
  user_from_template(user, t.get());
  return true;
}

int add(const kxc::Args &args) {
  AddOptions o;
  if (args.size() < 2 || args[1].empty() || args[1][0] == '-' || !parse_add(args, o))
    return kxc::usage_error(kUsage);
  kxc::UsersDb db;
  if (!db)
    return 1;
  const std::string &name = args[1];
  if (KxSetRef old(kxa_fetchuser(name)); old) {
    error(0, 0, "%s: Already exists (%s)", name.c_str(), kxa_text(old.get(), "type").c_str());
    return 1;
  }
  KxSetRef user(kxset::make(KxAtom(name)));
  if (!o.templ.empty() && !apply_template(user.get(), o.templ))
    return 1;
  kxa_put(user.get(), "type", o.type);
  kxset *groups = user->get(KxAtom("groups"));
  if (!groups) {
    groups = kxset::make();
    user->set(KxAtom("groups"), groups);
  }
  for (auto &g : o.groups) {
    if (g == KXA_ALL_USERS || g == KXA_ALL_GROUPS || g == KXA_ALL_TEMPLATES) {
      error(0, 0, "%s is kept by the database itself", g.c_str());
      return 1;
    }
    std::vector<std::string> have = kxa_groups_of(user.get());
    if (std::find(have.begin(), have.end(), g) == have.end())
      groups->append(KxAtom::null(), kxset::make(KxAtom(g)));
  }
  if (!o.expires.empty()) {
    auto date = check_date(o.expires);
    if (!date)
      return 1;
    kxa_put(user.get(), "expiration_date", *date);
  }
  if (!o.skey.empty()) {
    kxa_put(user.get(), "auth_method", "S/Key");
    kxa_put(user.get(), "SKEY_gateway", o.skey);
  }
  if (o.type == "user" && kxa_text(user.get(), "auth_method") == "S/Key" &&
      kxa_text(user.get(), "SKEY_seed").empty())
    kxa_put(user.get(), "SKEY_seed", name.substr(0, 16));
  return kxa_store(user.get()) == 0 ? 0 : 1;
}

int del(const kxc::Args &args) {
  if (args.size() != 2)
    return kxc::usage_error(kUsage);
  kxc::UsersDb db;
  if (!db)
    return 1;
  KxSetRef user(kxa_fetchuser(args[1]));
  if (!user) {
    error(0, 0, "no user %s", args[1].c_str());
    return 1;
  }
  return kxa_delete(user.get()) == 0 ? 0 : 1;
}

// Checks a copy of the backup (opening it as it stands would not do: it is
// not named as a database).
bool backup_sound(const std::string &backup) {
  char dir[] = "/tmp/kxc-users-checkXXXXXX";
  if (!mkdtemp(dir))
    return false;
  std::string copy = std::string(dir) + "/backup";
  std::error_code ec;
  std::filesystem::copy_file(backup, copy + ".NDB", ec);
  bool sound = false;
  if (!ec && kxa_db_init_named(copy) == 0) {
    std::string faults = kxa_check();
    kxa_db_close();
    sound = faults.empty();
    if (!sound)
      std::printf("%s", faults.c_str());
  }
  std::filesystem::remove_all(dir, ec);
  return sound;
}

int check(const kxc::Args &args) {
  if (args.size() != 1)
    return kxc::usage_error(kUsage);
  std::string name = kxa_get_dbname(1);
  std::string file = name + ".NDB", backup = file + "BKP";
  struct stat st {};
  if (stat(file.c_str(), &st) != 0) {
    error(0, 0, "no user database %s", file.c_str());
    return 1;
  }
  std::string faults;
  if (kxa_db_init_named(name) != 0) {
    faults = "the database cannot be opened\n";
  } else {
    faults = kxa_check();
    kxa_db_close();
  }
  if (faults.empty()) {
    std::printf("%s: sound\n", file.c_str());
    return 0;
  }
  std::printf("%s", faults.c_str());
  if (stat(backup.c_str(), &st) == 0 && backup_sound(backup))
    std::printf("%s: damaged; its backup %s is sound\n", file.c_str(), backup.c_str());
  else
    std::printf("%s: damaged; no sound backup\n", file.c_str());
  return 1;
}

} // namespace

KXC_COMMAND(users, kUsage, "manage the users of the user database") {
  if (args.empty())
    return kxc::usage_error(kUsage);
  const std::string &sub = args[0];
  if (sub == "list")
    return list(args);
  if (sub == "show")
    return show(args);
  if (sub == "add")
    return add(args);
  if (sub == "del")
    return del(args);
  if (sub == "check")
    return check(args);
  return kxc::usage_error(kUsage);
}
