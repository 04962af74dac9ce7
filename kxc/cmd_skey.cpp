// kxc skey: a user's S/Key chain (listing, user record and the gateway's
// chain file) and single one-time passwords.
#include "kxc/command.h"
#include "kxc/users_db.h"

#include "kxskey/skey.h"
#include "kxskey/skeyfile.h"
#include "kxu/kxdir.h"
#include "kxu/report.h"
#include "kxui/users/kxa.h"
#include "kxui/users/user_attrs.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {

const char *const kUsage = "skey chain USER [--count N] | otp N SEED";

bool parse_int(const std::string &text, int &out) {
  char *end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end || v < -1000000 || v > 1000000)
    return false;
  out = static_cast<int>(v);
  return true;
}

int chain(const kxc::Args &args) {
  int count = 0;
  if (args.size() == 4 && args[2] == "--count") {
    if (!parse_int(args[3], count))
      return kxc::usage_error(kUsage);
  } else if (args.size() != 2) {
    return kxc::usage_error(kUsage);
  }
  kxc::UsersDb db;
  if (!db)
    return 1;
  KxSetRef user(kxa_fetchuser(args[1]));
  if (!user || !is_user(user.get())) {
    error(0, 0, "no user %s", args[1].c_str());
    return 1;
  }
  std::string gateway = kxa_text(user.get(), "SKEY_gateway");
  if (gateway.empty()) {
    error(0, 0, "No S/Key Gateway was chosen.\nPlease choose one using 'Installed On:' menu");
    return 1;
  }
  if (args.size() == 2)
    count = std::atoi(kxa_text(user.get(), "SKEY_number").c_str());
  int n = skey_chain_length(count);
  std::string seed = kxa_text(user.get(), "SKEY_seed");
  if (seed.empty())
    seed = args[1].substr(0, 16);
  auto passwords = skey_chain(seed, skey_random_secret(), n);

  kxa_put(user.get(), "auth_method", "S/Key");
  kxa_put(user.get(), "SKEY_seed", seed);
  kxa_put(user.get(), "SKEY_number", std::to_string(n));
  kxa_put(user.get(), "SKEY_passwd", passwords.back().words);
  if (kxa_store(user.get()) != 0)
    return 1;

  // The gateway's chain file: "<gateway>.skeykeys" in the conf directory.
  SkeyFile file;
  std::string path = kx_filename("conf", (gateway + ".skeykeys").c_str(), nullptr, nullptr,
                                 nullptr);
  if (file.Open(path, "") != 0)
    return 1;
  if (file.Update(args[1], seed, passwords.back().hex, n) != 0 || file.SaveAndClose(false) != 0)
    return 1;
  std::fputs(skey_chain_listing(passwords).c_str(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int otp(const kxc::Args &args) {
  int n = 0;
  if (args.size() != 3 || !parse_int(args[1], n) || n < 0 || n > 100000)
    return kxc::usage_error(kUsage);
  std::string secret;
  if (!std::getline(std::cin, secret)) {
    error(0, 0, "no secret on standard input");
    return 1;
  }
  SkeyKey key = skey_steps(skey_keycrunch(args[2], secret), n);
  std::printf("%s\n%s\n", skey_to_words(key).c_str(), skey_to_hex(key).c_str());
  return 0;
}

} // namespace

KXC_COMMAND(skey, kUsage, "S/Key chains of users and one-time passwords") {
  if (!args.empty() && args[0] == "chain")
    return chain(args);
  if (!args.empty() && args[0] == "otp")
    return otp(args);
  return kxc::usage_error(kUsage);
}
