#include "kxsys/serverkeys.h"

#include "kxsys/errors.h"
#include "kxsys/hostid.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <vector>

extern "C" {
#include <ndbm.h>
}

namespace kxsys {

namespace {
std::string keydir = ".";
std::mutex keylock;

constexpr uint32_t kScrambleConstant = 0x9e3779b9u;

int parity(uint32_t v) {
  v ^= v >> 16;
  v ^= v >> 8;
  v ^= v >> 4;
  v ^= v >> 2;
  v ^= v >> 1;
  return int(v & 1);
}

std::string store_path() { return keydir + "/serverkeys"; }

struct Dbm {
  DBM *db = nullptr;
  Dbm(const std::string &path, int flags) { db = dbm_open(const_cast<char *>(path.c_str()), flags, 0600); }
  ~Dbm() {
    if (db)
      dbm_close(db);
  }
};

void remove_store(const std::string &base) {
  unlink((base + ".pag").c_str());
  unlink((base + ".dir").c_str());
  unlink((base + ".db").c_str());
}
} // namespace

std::string kxhidestr(const std::string &src, size_t max, bool stop_at_nul) {
  uint32_t reg = uint32_t(kx_hostid());
  std::string out;
  for (size_t i = 0; i < src.size() && i < max; ++i) {
    if (stop_at_nul && src[i] == 0)
      break;
    uint8_t key = 0;
    for (int bit = 0; bit < 8; ++bit) {
      for (int s = 0; s < 17; ++s)
        reg = (reg << 1) | uint32_t(parity(reg ^ kScrambleConstant));
      key |= uint8_t((reg & 1) << bit);
    }
    out.push_back(char(uint8_t(src[i]) ^ key));
  }
  return out;
}

std::string kxshowstr(const std::string &src, size_t max) { return kxhidestr(src, max, false); }

void kxkey_set_dir(const std::string &confdir) {
  std::lock_guard g(keylock);
  keydir = confdir;
}

bool kxkey_init(bool create) {
  std::lock_guard g(keylock);
  Dbm d(store_path(), create ? O_RDWR | O_CREAT : O_RDONLY);
  if (!d.db) {
    fprintf(stderr, "Cannot open \"%s\"\n", store_path().c_str());
    return false;
  }
  return true;
}

std::optional<std::string> kxkey_get(const std::string &peer) {
  std::lock_guard g(keylock);
  Dbm d(store_path(), O_RDONLY);
  if (!d.db)
    return std::nullopt;
  datum key{const_cast<char *>(peer.c_str()), int(peer.size())};
  datum val = dbm_fetch(d.db, key);
  if (!val.dptr || val.dsize <= 0 || val.dsize > 32)
    return std::nullopt;
  std::string plain = kxshowstr(std::string(val.dptr, size_t(val.dsize)), 32);
  return plain.substr(0, plain.find('\0'));
}

int kxkey_put(const std::string &secret, const std::string &peer, bool create) {
  std::lock_guard g(keylock);
  // Copy every other entry into a fresh store beside the old one, add the new
  // secret, make it durable and rename it over the old files.
  std::vector<std::pair<std::string, std::string>> entries;
  {
    Dbm old(store_path(), O_RDONLY);
    if (!old.db && !create)
      return 1;
    if (old.db)
      for (datum k = dbm_firstkey(old.db); k.dptr; k = dbm_nextkey(old.db)) {
        std::string key(k.dptr, size_t(k.dsize));
        datum v = dbm_fetch(old.db, k);
        if (key != peer && v.dptr)
          entries.emplace_back(key, std::string(v.dptr, size_t(v.dsize)));
      }
  }
  entries.emplace_back(peer, kxhidestr(secret, 32));
  std::string tmp = store_path() + ".tmp";
  remove_store(tmp);
  {
    Dbm fresh(tmp, O_RDWR | O_CREAT | O_TRUNC);
    if (!fresh.db)
      return 1;
    for (auto &[k, v] : entries) {
      datum key{k.data(), int(k.size())};
      datum val{v.data(), int(v.size())};
      if (dbm_store(fresh.db, key, val, DBM_REPLACE) != 0)
        return 1;
    }
  }
  int fd = open((tmp + ".pag").c_str(), O_RDONLY);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
  // The ".dir" file of this dbm is a link to (or stub of) ".pag": the data
  // lives in ".pag" alone, so renaming ".pag" last switches stores at once.
  rename((tmp + ".dir").c_str(), (store_path() + ".dir").c_str());
  if (rename((tmp + ".pag").c_str(), (store_path() + ".pag").c_str()) != 0)
    return 1;
  return 0;
}

} // namespace kxsys
