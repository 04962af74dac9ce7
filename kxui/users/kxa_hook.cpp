#include "kxui/users/kxa.h"

#include <sys/stat.h>

// The compiler asks whether a user group named in a rule exists; the answer
// comes from the installation's user database (none: no group exists). The
// database is opened read-mostly for the question and closed again unless
// it was already open.
int kxa_usergroup_known(const char *group) {
  if (!group)
    return 0;
  bool opened_here = false;
  if (!kxa_db()) {
    struct stat st {};
    if (stat((kxa_get_dbname(1) + ".NDB").c_str(), &st) != 0 || kxa_db_init(1) != 0)
      return 0;
    opened_here = true;
  }
  KxSetRef g(kxa_fetchgroup(group));
  if (opened_here)
    kxa_db_close();
  return g ? 1 : 0;
}
