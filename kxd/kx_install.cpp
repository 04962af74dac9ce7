// kx unload and dbload, and what the words share.
#include "kx_commands.h"

#include "kxset/kxencode.h"
#include "kxset/kxset.h"
#include "kxset/sio.h"
#include "kxsys/errors.h"
#include "kxsys/kxrif.h"
#include "kxsys/kxstate.h"
#include "kxui/users/kxa.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace kx {

using namespace kxsys;

Dirs find_dirs(const char *argv0) {
  Dirs d;
  if (const char *k = getenv("KXDIR"); k && *k) {
    d.root = k;
  } else {
    char buf[PATH_MAX];
    if (realpath(argv0, buf)) {
      std::string p = buf;
      p = p.substr(0, p.rfind('/'));
      d.root = p.substr(0, p.rfind('/'));
    } else {
      d.root = "/etc/kx";
    }
  }
  d.conf = d.root + "/conf";
  d.state = d.root + "/state";
  d.tmp = d.root + "/tmp";
  d.database = d.root + "/database";
  if (const char *t = getenv("KXTMP"); t && *t)
    d.tmp = t;
  return d;
}

std::pair<std::string, std::vector<std::string>> split_target(const std::string &target) {
  size_t at = target.rfind('@');
  if (at == std::string::npos || at == 0)
    return {target, {"all"}};
  return {target.substr(at + 1), {target.substr(0, at)}};
}

int cmd_unload(const std::vector<std::string> &targets) {
  int status = 0;
  for (const auto &target : targets) {
    auto [host, specs] = split_target(target);
    if (kx_runloadx(host, specs) != 0) {
      rerror(0, -1, "failed to unload %s", host.c_str());
      status = 1;
    } else {
      printf("unloaded from %s\n", host.c_str());
      fflush(stdout);
    }
  }
  return status;
}

namespace {
// Encodes a set file of the installation; empty when it is missing.
bool encode_file(const std::string &path, Bytes &out, bool required) {
  FILE *f = fopen(path.c_str(), "r");
  if (!f) {
    if (required)
      fprintf(stderr, "kx: cannot open %s\n", path.c_str());
    return !required;
  }
  sio_setfile(path.c_str());
  KxSetRef set(sio_read(f));
  fclose(f);
  if (!set.get() || sio_errno() != 0) {
    fprintf(stderr, "kx: cannot read %s\n%s", path.c_str(), sio_messages().c_str());
    return false;
  }
  size_t len = 0;
  auto buf = EncodeKxset(set.get(), len);
  if (!buf)
    return false;
  out.assign(buf.get(), buf.get() + len);
  return true;
}
// The station's user database (conf/kxauth.NDB) as the set of its users and
// groups; an installation without one sends conf/kxauth.C when present.
bool encode_userdb(const Dirs &dirs, Bytes &out) {
  std::string name = dirs.conf + "/kxauth";
  if (access((name + ".NDB").c_str(), R_OK) != 0)
    return encode_file(dirs.conf + "/kxauth.C", out, false);
  if (kxa_db_init_named(name) != 0) {
    fprintf(stderr, "kx: cannot open %s.NDB\n", name.c_str());
    return false;
  }
  KxSetRef all(kxa_fetch_all());
  kxa_db_close();
  size_t len = 0;
  auto buf = EncodeKxset(all.get(), len);
  if (!buf)
    return false;
  out.assign(buf.get(), buf.get() + len);
  return true;
}
} // namespace

int cmd_dbload(const Dirs &dirs, const std::vector<std::string> &targets) {
  kxloaddb_t db;
  const char *objects = getenv("KX_OBJECTS");
  if (!encode_file(objects && *objects ? objects : dirs.conf + "/objects.C", db.objects, true) ||
      !encode_userdb(dirs, db.userdb))
    return 1;
  int status = 0;
  for (const auto &target : targets) {
    std::string host = split_target(target).first;
    printf("\nDownloading database to %s\n", host.c_str());
    fflush(stdout);
    if (kx_rdbdownload(host, db) != 0) {
      rerror(0, -1, "failed to download the database to %s", host.c_str());
      status = 1;
    } else if (kxstate_savedb(dirs.state, db, host) != 0) {
      // The module has it; only the copy a later fetch would send is stale.
      fprintf(stderr, "kx: cannot save the database in the state of %s\n", host.c_str());
      status = 1;
    }
  }
  return status;
}

} // namespace kx
