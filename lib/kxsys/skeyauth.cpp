#include "kxsys/skeyauth.h"

#include "kxskey/skey.h"
#include "kxskey/skeyfile.h"
#include "kxsys/auth.h"
#include "kxsys/comm.h"
#include "kxsys/conn.h"
#include "kxsys/errors.h"
#include "kxsys/serverkeys.h"

#include <cstdio>
#include <mutex>
#include <random>

namespace kxsys {

namespace {
std::string confdir = ".";
std::string keyfile = "skeykeys";
// One chain file for the whole daemon: handshakes on several threads take
// turns, so that no update of one is lost by another's save.
std::mutex file_lock;

int skey_verify_peer(int fd, uint32_t peer, const std::string &) {
  herror(0, 0, "Will perform skey auth");
  std::string user = kx_dotted(peer);
  std::lock_guard g(file_lock);
  SkeyFile f;
  if (f.Open(keyfile, confdir) != 0)
    return -1;
  std::string key;
  int n = 0;
  int result = -1;
  std::string answer, top;
  int32_t m = 0;
  if (f.Get(user, key, n) == 0 && n > 0 && writeint(fd, n - 1) && readstring(fd, answer) &&
      f.Verify(user, answer) == 0 && readint(fd, m)) {
    result = 1;
    if (m != 0) {
      herror(0, 0, "NEW KEY");
      SkeyKey parsed;
      if (m < 0 || m > 10000 || !readstring(fd, top) || !skey_parse(top, parsed) ||
          f.Update(user, user, skey_to_hex(parsed), m) != 0)
        result = -1;
      else
        herror(0, 0, "NEW KEY: %s %d", top.c_str(), m);
    }
  }
  // The chain advanced by the verified answer is saved even when the rest
  // failed: that password is spent either way.
  if (f.SaveAndClose(false) != 0)
    result = -1;
  return result;
}

int skey_identify_peer(int fd) {
  std::string peer = kx_dotted(kx_peer_address(fd));
  std::string seed = kx_dotted(kx_local_address(fd));
  auto secret = kxkey_get(peer);
  if (!secret)
    return -1;
  herror(0, 0, "Will perform skey ident on %s (key = %s)", peer.c_str(), "...");
  int32_t n = 0;
  if (!readint(fd, n) || n < 0)
    return -1;
  herror(0, 0, "CHALLENGE: %d", n);
  std::string reply = skey_make_passwd(*secret, seed, n);
  herror(0, 0, "RPLY: <%s>", reply.c_str());
  if (!writestring(fd, reply))
    return -1;
  if (n >= kxchain_renew_below)
    return writeint(fd, 0) ? 1 : -1;
  std::string fresh = skey_new_secret();
  if (!writeint(fd, kxchainlen) || kxkey_put(fresh, peer, false) != 0)
    return -1;
  std::string top = skey_make_passwd(fresh, seed, kxchainlen);
  herror(0, 0, "NEW KEY: %s %d", top.c_str(), kxchainlen);
  return writestring(fd, top) ? 1 : -1;
}
} // namespace

std::string skey_new_secret() {
  static const char alphabet[] = "abcdefghigklmnopqrstuvwxyz0123456789_";
  static std::mutex m;
  static std::random_device rd;
  std::lock_guard g(m);
  std::uniform_int_distribution<int> pick(0, int(sizeof alphabet) - 2);
  std::string s;
  for (int i = 0; i < 8; ++i)
    s += alphabet[pick(rd)];
  return s;
}

void kx_skey_install(const std::string &dir, const std::string &file) {
  confdir = dir;
  keyfile = file;
  kx_auth_set_skey(skey_verify_peer, skey_identify_peer);
}

std::string kx_skey_newchain(const std::string &module, const std::string &seed, int length) {
  std::string secret = skey_new_secret();
  if (kxkey_put(secret, module, true) != 0)
    return "";
  char line[256];
  snprintf(line, sizeof line, "%s %04d %-16s %-16s %-21s", seed.c_str(), length, seed.c_str(),
           skey_make_passwd(secret, seed, length).c_str(), "Dummy");
  return line;
}

} // namespace kxsys
