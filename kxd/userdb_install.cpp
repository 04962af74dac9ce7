#include "userdb_install.h"

#include "kxsys/kxdbdownload.h"
#include "kxui/users/kxa.h"

#include <strings.h>

namespace kxd {

namespace {
// Record type of a downloaded user or group record, 0 for anything else.
int record_type(const kxset *rec, bool group) {
  std::string type = kxa_text(rec, "type");
  if (group)
    return strcasecmp(type.c_str(), "usrgroup") == 0 || strcasecmp(type.c_str(), "group") == 0 ? KXA_GROUP : 0;
  return is_user(rec) || is_template(rec) ? KXA_USER : 0;
}

// Stores every record of one list; the first refused record's text in
// `message`.
bool store_all(KXDB *db, const kxset *list, bool groups, std::string &message) {
  for (int i = 0; list && i < list->getnattr(); ++i) {
    const kxset *rec = list->get(i);
    std::string name = rec ? rec->getname() : "";
    int type = rec ? record_type(rec, groups) : 0;
    if (name.empty() || type == 0 || kxdb_store(db, type, rec) != 0) {
      message = "Database build failed: bad " + std::string(groups ? "group" : "user") + " record <" + name + ">";
      return false;
    }
  }
  return true;
}

int build(const std::string &dbdir, const kxset *users, std::string &message) {
  kxa_db_close();
  if (kxa_db_init_named(dbdir + "/kxauth") != 0 || kxa_db_new() != 1) {
    kxa_db_close();
    message = "Database build failed";
    return -1;
  }
  bool ok = store_all(kxa_db(), users->get(KxAtom("users")), false, message) &&
            store_all(kxa_db(), users->get(KxAtom("groups")), true, message);
  if (ok) {
    std::string faults = kxa_check();
    if (!faults.empty()) {
      message = "Database build failed: " + faults.substr(0, faults.find('\n'));
      ok = false;
    }
  }
  if (!ok) {
    kxa_db_restore();
    kxa_db_close();
    return -1;
  }
  return 0;
}

int finish(const std::string &, bool failed) {
  if (!kxa_db())
    return 0; // nothing was built
  int failures = 0;
  if (failed)
    kxa_db_restore();
  else if (kxa_db_replace() != 0)
    failures = 1;
  kxa_db_close();
  return failures;
}
} // namespace

void install_userdb_installer() { kxsys::kx_set_userdb_installer({build, finish}); }

} // namespace kxd
