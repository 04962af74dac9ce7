#include "kxsys/auth.h"

#include "kxsys/comm.h"
#include "kxsys/errors.h"

#include <cstdlib>
#include <ctime>
#include <mutex>
#include <random>
#include <strings.h>

namespace kxsys {

namespace {
// Both ends know this word; "silly" only keeps out peers that don't.
constexpr uint32_t kSillyWord = 0x4b58a5c3u;

std::mutex rand_lock;
uint32_t draw_random() {
  std::lock_guard g(rand_lock);
  static std::mt19937 gen(uint32_t(time(nullptr)) ^ uint32_t(clock()));
  return gen();
}

void silly_init(kx_auth_method &m) { m.shared = kSillyWord; }

int silly_verify(int fd, uint32_t, const std::string &) {
  int32_t r = int32_t(draw_random());
  int32_t a = 0;
  if (!writeint(fd, r) || !readint(fd, a))
    return -1;
  return (uint32_t(r) ^ uint32_t(a)) == kSillyWord ? 1 : -1;
}

int silly_identify(int fd) {
  int32_t r = 0;
  if (!readint(fd, r)) {
    herror(0, -1, "read chalenge failed");
    return -1;
  }
  if (!writeint(fd, int32_t(uint32_t(r) ^ kSillyWord))) {
    herror(0, -1, "failed to send encode");
    return -1;
  }
  return 1;
}

int none_op(int, uint32_t, const std::string &) { return 1; }
int none_identify(int) { return 1; }
int deny_op(int, uint32_t, const std::string &) { return -1; }
int deny_identify(int) { return -1; }
// Until S/Key is installed the method fails on both ends.
int skey_unavailable(int, uint32_t, const std::string &) { return -1; }
int skey_unavailable_identify(int) { return -1; }

kx_auth_method methods[] = {
    {"none", 0, false, nullptr, none_op, none_identify},
    {"silly", 0, false, silly_init, silly_verify, silly_identify},
    {"skey", 0, false, nullptr, skey_unavailable, skey_unavailable_identify},
    {"deny", 0, false, nullptr, deny_op, deny_identify},
};
std::mutex init_lock;
} // namespace

void kx_auth_set_skey(int (*verify)(int, uint32_t, const std::string &), int (*identify)(int)) {
  methods[2].verify = verify;
  methods[2].identify = identify;
}

kx_auth_method *kx_auth_get(const std::string &name, bool init) {
  for (auto &m : methods)
    if (strcasecmp(m.name, name.c_str()) == 0) {
      if (init) {
        std::lock_guard g(init_lock);
        if (!m.initialised && m.init)
          m.init(m);
        m.initialised = true;
      }
      return &m;
    }
  return nullptr;
}

int kx_auth_identify(int fd) {
  std::string name;
  if (!readstring(fd, name)) {
    herror(0, 0, "Peer FAILED");
    return -1;
  }
  herror(0, 0, "Need to perform %s authentication", name.c_str());
  kx_auth_method *m = kx_auth_get(name, true);
  if (!m) {
    herror(0, 0, "Peer FAILED for type %s", name.c_str());
    return -1;
  }
  int own = m->identify ? m->identify(fd) : 1;
  int32_t result = 0;
  if (!readint(fd, result))
    return -1;
  return own >= 0 && result > 0 ? 1 : -1;
}

int kx_auth_verify(int fd, const kxusr_table &table, uint32_t peer, const std::string &command) {
  std::string name = kxusr_get(table, peer, command);
  kx_auth_method *m = name.empty() ? nullptr : kx_auth_get(name, true);
  if (!m) {
    writestring(fd, "");
    return -1;
  }
  if (!writestring(fd, name))
    return -1;
  int rc = m->verify ? m->verify(fd, peer, command) : 1;
  herror(0, 0, "rc = %d", rc);
  if (!writeint(fd, rc))
    return -1;
  return rc > 0 ? 1 : (rc == 0 ? 0 : -1);
}

} // namespace kxsys
