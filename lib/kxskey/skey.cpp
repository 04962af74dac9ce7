#include "kxskey/skey.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <sys/random.h>

extern "C" {
#include <otp.h>
}

namespace {

// libotp is loaded when a key is first worked on: most runs of the programs
// that can (kx, kxd) never do, and with it come eight shared objects that
// every start would otherwise map.
struct Otp {
  OtpAlgorithm *md4 = nullptr;
  void (*print_stddict)(OtpKey, char *, size_t) = nullptr;
  int (*parse_stddict)(OtpKey, const char *) = nullptr;
};

const Otp &otp() {
  static const Otp loaded = [] {
    Otp o;
    void *lib = dlopen(KX_OTP_PATH, RTLD_NOW | RTLD_LOCAL);
    auto find_alg = lib ? reinterpret_cast<OtpAlgorithm *(*)(char *)>(dlsym(lib, "otp_find_alg")) : nullptr;
    if (lib) {
      o.print_stddict = reinterpret_cast<void (*)(OtpKey, char *, size_t)>(dlsym(lib, "otp_print_stddict"));
      o.parse_stddict = reinterpret_cast<int (*)(OtpKey, const char *)>(dlsym(lib, "otp_parse_stddict"));
    }
    if (find_alg)
      o.md4 = find_alg(const_cast<char *>("md4"));
    if (!o.md4 || !o.print_stddict || !o.parse_stddict) {
      // An installation without the library cannot make or check a key.
      fprintf(stderr, "cannot use the S/Key library %s: %s\n", KX_OTP_PATH, lib ? "symbols missing" : dlerror());
      abort();
    }
    return o;
  }();
  return loaded;
}

OtpAlgorithm &md4() { return *otp().md4; }

} // namespace

SkeyKey skey_keycrunch(const std::string &seed, const std::string &secret) {
  SkeyKey key{};
  OtpKey k;
  // libotp lowers the seed itself and concatenates seed and secret.
  md4().init(k, secret.c_str(), seed.c_str());
  std::memcpy(key.data(), k, key.size());
  return key;
}

void skey_step(SkeyKey &key) {
  OtpKey k;
  std::memcpy(k, key.data(), key.size());
  md4().next(k);
  std::memcpy(key.data(), k, key.size());
}

SkeyKey skey_steps(SkeyKey key, int n) {
  for (int i = 0; i < n; ++i)
    skey_step(key);
  return key;
}

std::string skey_to_hex(const SkeyKey &key) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : key) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string skey_to_words(const SkeyKey &key) {
  OtpKey k;
  std::memcpy(k, key.data(), key.size());
  char buf[64] = {};
  otp().print_stddict(k, buf, sizeof buf);
  return buf;
}

bool skey_parse_hex(const std::string &text, SkeyKey &key) {
  SkeyKey out{};
  size_t digits = 0;
  for (char c : text) {
    if (c == ' ' || c == '\t')
      continue;
    if (!std::isxdigit(static_cast<unsigned char>(c)) || digits == 16)
      return false;
    int v = std::isdigit(static_cast<unsigned char>(c))
                ? c - '0'
                : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    out[digits / 2] = static_cast<unsigned char>(out[digits / 2] << 4 | v);
    ++digits;
  }
  if (digits != 16)
    return false;
  key = out;
  return true;
}

bool skey_parse_words(const std::string &text, SkeyKey &key) {
  // libotp reads words of at most a few letters into fixed buffers; bound
  // the text before handing it over.
  if (text.size() > 64)
    return false;
  int words = 0;
  bool in_word = false;
  for (char c : text) {
    bool blank = c == ' ' || c == '\t';
    if (!blank && !std::isalpha(static_cast<unsigned char>(c)))
      return false;
    if (!blank && !in_word)
      ++words;
    in_word = !blank;
  }
  if (words != 6)
    return false;
  OtpKey k;
  if (otp().parse_stddict(k, text.c_str()) != 0)
    return false;
  std::memcpy(key.data(), k, key.size());
  return true;
}

bool skey_parse(const std::string &text, SkeyKey &key) {
  return skey_parse_hex(text, key) || skey_parse_words(text, key);
}

std::string skey_make_key() {
  static const char alphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char raw[16];
  size_t got = 0;
  while (got < sizeof raw) {
    ssize_t n = getrandom(raw + got, sizeof raw - got, 0);
    if (n > 0)
      got += static_cast<size_t>(n);
  }
  std::string out;
  for (unsigned char c : raw)
    out += alphabet[c % (sizeof alphabet - 1)];
  return out;
}

std::string skey_make_passwd(const std::string &secret, const std::string &seed, int n) {
  return skey_to_hex(skey_steps(skey_keycrunch(seed, secret), n));
}

bool skey_verify(const std::string &answer, const std::string &stored) {
  SkeyKey a, s;
  if (!skey_parse(answer, a) || !skey_parse(stored, s))
    return false;
  skey_step(a);
  return a == s;
}
