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

namespace {
// Without a user database library: the decoded set, encoded again.
int keep_bytes(const std::string &dbdir, const kxset *users, const std::string &, std::string &message) {
  size_t len = 0;
  auto buf = EncodeKxset(users, len);
  if (!buf || !kx_write_file(dbdir + "/kxauth.db.tmp", buf.get(), len)) {
    message = "Database build failed";
    return -1;
  }
  return 0;
}

int finish_bytes(const std::string &dbdir, bool failed) {
  std::string cur = dbdir + "/kxauth.db", tmp = cur + ".tmp";
  if (access(tmp.c_str(), F_OK) != 0)
    return 0;
  if (failed) {
    unlink(tmp.c_str());
    return 0;
  }
  if (rename(tmp.c_str(), cur.c_str()) != 0) {
    fprintf(stderr, "Dbdownload Verify: Failed to rename\n");
    return 1;
  }
  return 0;
}

kx_userdb_installer &installer() {
  static kx_userdb_installer i{keep_bytes, finish_bytes};
  return i;
}
} // namespace

void kx_set_userdb_installer(const kx_userdb_installer &i) {
  std::lock_guard g(kx_sio_lock());
  installer() = i;
}

int kx_dbdownload(const std::string &dbdir, const kxloaddb_t &db, const std::string &gateway,
                  std::string &message) {
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
    if (installer().build(dbdir, users.get(), gateway, message) != 0) {
      unlink((dbdir + "/objects.C.tmp").c_str());
      if (message.empty())
        message = "Database build failed";
      return -1;
    }
  }
  return 0;
}

int kx_dbdownload_verify(const std::string &dbdir, bool failed) {
  int failures = 0;
  std::string cur = dbdir + "/objects.C", tmp = cur + ".tmp";
  if (access(tmp.c_str(), F_OK) == 0) {
    if (failed) {
      unlink(tmp.c_str());
    } else if (rename(tmp.c_str(), cur.c_str()) != 0) {
      fprintf(stderr, "Dbdownload Verify: Failed to rename\n");
      ++failures;
    }
  }
  std::lock_guard g(kx_sio_lock());
  return failures + installer().finish(dbdir, failed);
}

} // namespace kxsys
