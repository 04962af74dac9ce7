#include "kxui/users/kxa.h"

#include "kxu/kxdir.h"
#include "kxu/report.h"

#include <cstdio>
#include <map>
#include <unistd.h>

namespace {

struct State {
  KXDB *current = nullptr;
  KXDB *kept = nullptr; // the real database while a temporary one is current
  std::string name, kept_name;
};

State &state() {
  static State s;
  return s;
}

} // namespace

KXDB *kxa_db() { return state().current; }
KXDB *kxa_db_kept() { return state().kept; }

std::string kxa_get_dbname(int flag) {
  static std::map<int, std::string> cache;
  int key = flag != 0;
  auto it = cache.find(key);
  if (it != cache.end())
    return it->second;
  std::string name = kx_filename(key ? "conf" : "database", kxdebug ? "kxauth_dbg" : "kxauth",
                                 nullptr, nullptr, nullptr);
  return cache[key] = name;
}

int kxa_db_init_named(const std::string &name) {
  kxa_db_close();
  state().current = kxdb_init(name);
  if (!state().current)
    return -1;
  state().name = name;
  return 0;
}

int kxa_db_init(int flag) { return kxa_db_init_named(kxa_get_dbname(flag)); }

void kxa_db_close() {
  State &s = state();
  if (s.current)
    kxdb_close(s.current);
  s.current = nullptr;
  if (s.kept) {
    kxdb_close(s.kept);
    s.kept = nullptr;
  }
}

int kxa_db_new() {
  State &s = state();
  if (!s.current || s.kept)
    return 0;
  s.kept = s.current;
  s.kept_name = s.name;
  std::string tmp = s.name + "tmp";
  unlink((tmp + ".NDB").c_str()); // a left-over temporary from a cut run
  unlink((tmp + ".NDBBKP").c_str());
  s.current = kxdb_init(tmp);
  if (!s.current) {
    s.current = std::exchange(s.kept, nullptr);
    return 0;
  }
  s.name = tmp;
  return 1;
}

int kxa_db_replace() {
  State &s = state();
  if (!s.kept)
    return -1;
  kxdb_close(s.current);
  kxdb_close(s.kept);
  s.current = s.kept = nullptr;
  std::string from = s.name + ".NDB", to = s.kept_name + ".NDB";
  s.name = s.kept_name;
  int rc = 0;
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    error(0, 0, "new database replacement failed");
    rc = -1;
  } else {
    // The backup of the replaced file would bring the old database back:
    // opening the new one writes its own.
    unlink((to + "BKP").c_str());
  }
  unlink((from + "BKP").c_str());
  s.current = kxdb_init(s.name);
  return s.current ? rc : -1;
}

int kxa_db_restore() {
  State &s = state();
  if (!s.kept)
    return -1;
  kxdb_close(s.current);
  unlink((s.name + ".NDB").c_str());
  unlink((s.name + ".NDBBKP").c_str());
  s.current = std::exchange(s.kept, nullptr);
  s.name = s.kept_name;
  return 0;
}
