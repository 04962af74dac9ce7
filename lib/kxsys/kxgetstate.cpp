// Reading a saved family back as a filter with its database, and saving a
// downloaded database into a family.
#include "kxsys/kxstate.h"

#include "kxsys/errors.h"
#include "kxsys/hostid.h"
#include "kxsys/makeid.h"

#include <unistd.h>

namespace kxsys {

namespace {
void say(std::string *error, const std::string &message) {
  if (error)
    *error = message;
}

// The family of a module: "local", the one its addresses are linked to, or
// (never linked) its official name.
std::string family_of(const std::string &statedir, const std::string &module) {
  if (kx_is_local(module))
    return "local";
  if (auto linked = kxstate_findlink(statedir, kxhostaddrs(module)))
    return *linked;
  return kx_officialname(module);
}

// Reads the family at base (path without suffix). 0 no "ifs", -1 unreadable
// compiled files, else 1.
int read_family(const std::string &base, kx_filter &filter, kxloaddb_t &database,
                std::vector<std::string> &targets, std::string &missing) {
  auto ifs_bytes = kx_read_file(base + ".ifs");
  if (!ifs_bytes) {
    missing = base + ".ifs";
    return 0;
  }
  auto ifs = kx_parse_ifs(std::string(ifs_bytes->begin(), ifs_bytes->end()));
  if (!ifs) {
    missing = base + ".ifs";
    return -1;
  }
  kx_filter read;
  for (const char *suffix : {"fc", "lg", "ft", "set"}) {
    auto data = kx_read_file(base + "." + suffix);
    if (!data) {
      if (kx_suffix_required(suffix)) {
        missing = base + "." + suffix;
        return -1;
      }
      continue;
    }
    read.files.entries.push_back({suffix, std::move(*data)});
  }
  const kxloadx_entry *lg = read.files.find("lg");
  read.id = kx_makeid_text(ifs->name, std::string(lg->contents.begin(), lg->contents.end()), -1);
  kxloaddb_t db;
  if (auto users = kx_read_file(base + ".db"))
    db.userdb = std::move(*users);
  if (auto objects = kx_read_file(base + ".objects"))
    db.objects = std::move(*objects);
  filter = std::move(read);
  database = std::move(db);
  targets = ifs->targets;
  return 1;
}
} // namespace

int kx_getstate(const std::string &statedir, const std::string &module, kx_filter &filter,
                kxloaddb_t &database, std::vector<std::string> &targets, std::string *error) {
  std::string family = family_of(statedir, module);
  if (!kx_family_name_ok(family)) {
    say(error, kx_family_name_error(family));
    return -1;
  }
  std::string missing;
  int rc = read_family(statedir + "/" + family, filter, database, targets, missing);
  if (rc == 0) {
    say(error, "cannot access <" + missing + ">");
    kxd_errno = KXD_ENOSTATE;
    return -1;
  }
  if (rc < 0) {
    say(error, "cannot kx_read <" + missing + ">");
    return -1;
  }
  return int(targets.size());
}

int kxstate_getfilter(const std::string &directory, kx_filter &filter, kxloaddb_t &database,
                      std::vector<std::string> &targets, std::string *error) {
  std::string missing;
  int rc = read_family(directory + "/local", filter, database, targets, missing);
  if (rc == 0) {
    say(error, "Can not get filter from local: No State Saved");
    kxd_errno = KXD_ENOSTATE;
    return -1;
  }
  if (rc < 0) {
    say(error, "Can not get filter from local");
    kxd_errno = KXD_ELOADFAIL;
    return -1;
  }
  return int(targets.size());
}

int kxstate_savedb(const std::string &statedir, const kxloaddb_t &database, const std::string &module) {
  std::string family;
  if (kx_is_local(module)) {
    family = "local";
  } else if (auto linked = kxstate_findlink(statedir, kxhostaddrs(module))) {
    family = *linked;
  } else {
    return 0;
  }
  if (!kx_family_name_ok(family))
    return -1;
  std::string base = statedir + "/" + family;
  int rc = 0;
  // Written through a temporary and renamed: a family whose compiled files
  // are hard links to another's gets its own database files.
  if (!database.userdb.empty() && !kx_write_file(base + ".db", database.userdb.data(), database.userdb.size()))
    rc = -1;
  if (!database.objects.empty() &&
      !kx_write_file(base + ".objects", database.objects.data(), database.objects.size()))
    rc = -1;
  return rc;
}

} // namespace kxsys
