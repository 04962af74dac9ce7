#include "kxsys/kxdbdownload.h"

#include "kxset/kxencode.h"
#include "kxset/kxset.h"
#include "kxset/sio.h"
#include "kxsys/kxstate.h"

#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace kxsys {

std::mutex &kx_sio_lock();

int kx_dbdownload(const std::string &dbdir, const kxloaddb_t &db, std::string &message) {
  if (db.objects.empty() && db.userdb.empty()) {
    message = "Empty database";
    return -1;
  }
  std::lock_guard g(kx_sio_lock());
  if (!db.objects.empty()) {
    KxSetRef objects(DecodeKxset(db.objects.data(), db.objects.size()));
    if (!objects.get()) {
      message = "Failed to decode objects";
      return -1;
    }
    std::string text;
    if (sio_swrite(text, objects.get()) != 0 ||
        !kx_write_file(dbdir + "/objects.C.tmp", text.data(), text.size())) {
      message = "Unable to write objects.C.tmp";
      return -1;
    }
  }
  if (!db.userdb.empty()) {
    KxSetRef users(DecodeKxset(db.userdb.data(), db.userdb.size()));
    if (!users.get()) {
      unlink((dbdir + "/objects.C.tmp").c_str());
      message = "Failed to decode database";
      return -1;
    }
    if (!kx_write_file(dbdir + "/kxauth.db.tmp", db.userdb.data(), db.userdb.size())) {
      unlink((dbdir + "/objects.C.tmp").c_str());
      message = "Database build failed";
      return -1;
    }
  }
  return 0;
}

int kx_dbdownload_verify(const std::string &dbdir, bool failed) {
  int failures = 0;
  for (const char *name : {"objects.C", "kxauth.db"}) {
    std::string cur = dbdir + "/" + name, tmp = cur + ".tmp";
    if (access(tmp.c_str(), F_OK) != 0)
      continue;
    if (failed) {
      unlink(tmp.c_str());
    } else if (rename(tmp.c_str(), cur.c_str()) != 0) {
      fprintf(stderr, "Dbdownload Verify: Failed to rename\n");
      ++failures;
    }
  }
  return failures;
}

} // namespace kxsys
