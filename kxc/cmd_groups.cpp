// kxc groups: create or extend a user group, or delete one.
#include "kxc/command.h"
#include "kxc/users_db.h"

#include "kxu/report.h"
#include "kxui/users/kxa.h"

namespace {
const char *const kUsage = "groups add GROUP [MEMBER]... | del GROUP";
}

KXC_COMMAND(groups, kUsage, "manage the user groups of the user database") {
  if (args.size() < 2 || (args[0] != "add" && args[0] != "del") ||
      (args[0] == "del" && args.size() != 2))
    return kxc::usage_error(kUsage);
  const std::string &name = args[1];
  if (name == KXA_ALL_USERS || name == KXA_ALL_GROUPS || name == KXA_ALL_TEMPLATES) {
    error(0, 0, "%s is kept by the database itself", name.c_str());
    return 1;
  }
  kxc::UsersDb db;
  if (!db)
    return 1;
  KxSetRef group(kxset::make(KxAtom(name)));
  if (args[0] == "del") {
    if (kxa_delete_group(group.get()) != 0) {
      error(0, 0, "no group %s", name.c_str());
      return 1;
    }
    return 0;
  }
  for (size_t i = 2; i < args.size(); ++i) {
    KxSetRef user(kxa_fetchuser(args[i]));
    if (!user && !KxSetRef(kxa_fetchgroup(args[i]))) {
      error(0, 0, "no user or group %s", args[i].c_str());
      return 1;
    }
    group->append(KxAtom::null(), kxset::make(KxAtom(args[i])));
  }
  return kxa_store_group(group.get()) == 0 ? 0 : 1;
}
