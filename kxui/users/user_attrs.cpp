#include "kxui/users/user_attrs.h"

#include "kxskey/skeyfile.h"
#include "kxu/report.h"
#include "kxui/users/kxa.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace {

const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const int month_days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Digits at `p` (at most 9, so the value cannot overflow); -1 when none.
long digits(const std::string &s, size_t &p, size_t *count = nullptr) {
  size_t start = p;
  long v = 0;
  while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) {
    if (p - start < 9)
      v = v * 10 + (s[p] - '0');
    else
      v = 100000000; // out of every range below
    ++p;
  }
  if (count)
    *count = p - start;
  return p == start ? -1 : v;
}

} // namespace

std::optional<std::string> check_date(const std::string &field) {
  if (field.empty())
    return "31-Dec-99";
  auto refuse = [&]() -> std::optional<std::string> {
    error(0, 0, "Illegal Date Format: '%s'\nDate Format is: 'dd-mmm-yy'", field.c_str());
    return std::nullopt;
  };
  size_t p = 0;
  while (p < field.size() && (field[p] == ' ' || field[p] == '\t'))
    ++p;
  long day = digits(field, p);
  if (day <= 0)
    return refuse();
  bool separator = p < field.size() && (field[p] == '-' || field[p] == '/');
  if (separator)
    ++p;
  size_t start = p;
  while (p < field.size() && std::isalpha(static_cast<unsigned char>(field[p])))
    ++p;
  if (p - start < 3)
    return refuse();
  int month = -1;
  for (int m = 0; m < 12; ++m)
    if (strncasecmp(field.c_str() + start, months[m], 3) == 0)
      month = m;
  if (month < 0)
    return refuse();
  if (separator && p < field.size())
    ++p;
  size_t count = 0;
  long year = digits(field, p, &count);
  if (count < 2 || p != field.size())
    return refuse();
  if (year >= 70 && year <= 99)
    year += 1900;
  else if (year >= 0 && year <= 69)
    year += 2000;
  else if (year < 1970 || year > 2069)
    return refuse();
  int length = month_days[month] + (month == 1 && year % 4 == 0 ? 1 : 0);
  if (day > length)
    return refuse();
  char out[64];
  std::snprintf(out, sizeof out, "%02ld-%s-%04ld", day, months[month], year);
  return out;
}

std::optional<std::string> check_time(const std::string &field) {
  auto refuse = [&]() -> std::optional<std::string> {
    error(0, 0, "Illegal Time Format: '%s'\nTime Format is: 'hh:mm'", field.c_str());
    return std::nullopt;
  };
  size_t p = 0;
  while (p < field.size() && (field[p] == ' ' || field[p] == '\t'))
    ++p;
  long hour = digits(field, p);
  if (hour < 0 || hour > 24 || p >= field.size() || field[p] != ':')
    return refuse();
  ++p;
  size_t count = 0;
  long minute = digits(field, p, &count);
  if (count < 2 || minute > 59 || p != field.size() || (hour == 24 && minute != 0))
    return refuse();
  char out[64];
  std::snprintf(out, sizeof out, "%02ld:%02ld", hour, minute);
  return out;
}

std::vector<SkeyPassword> skey_chain(const std::string &seed, const std::string &secret, int n) {
  std::vector<SkeyPassword> chain;
  SkeyKey key = skey_keycrunch(seed, secret);
  for (int i = 1; i <= n; ++i) {
    skey_step(key);
    chain.push_back({skey_to_hex(key), skey_to_words(key)});
  }
  return chain;
}

int skey_chain_length(int n) { return n < 1 ? 100 : n > 256 ? 256 : n; }

std::string skey_random_secret() {
  for (;;) {
    std::string raw = skey_make_key().substr(0, 9), out;
    for (char c : raw)
      if (c != ' ')
        out += c;
    if (out.size() >= 7)
      return out;
  }
}

std::string skey_chain_listing(const std::vector<SkeyPassword> &chain) {
  std::string out;
  char line[128];
  for (size_t i = chain.size(); i >= 1; --i) {
    std::snprintf(line, sizeof line, "%3zu %-33s %-16s\n", i, chain[i - 1].words.c_str(),
                  chain[i - 1].hex.c_str());
    out += line;
  }
  return out;
}

int check_skey(const kxset *user, const kxset *previous, const std::string &host,
               SkeyFile &file) {
  if (kxa_text(user, "SKEY_gateway") != host)
    return 0;
  std::string name = user->getname(), passwd = kxa_text(user, "SKEY_passwd");
  if (previous && kxa_text(previous, "SKEY_passwd") == passwd &&
      kxa_text(previous, "SKEY_gateway") == host && file.Touch(name) == 0)
    return 0;
  SkeyKey key;
  if (!skey_parse(passwd, key)) {
    error(0, 0, "Illegal S/Key password <%s> (user %s)", passwd.c_str(), name.c_str());
    return -1;
  }
  return file.Update(name, kxa_text(user, "SKEY_seed"), skey_to_hex(key),
                     std::atoi(kxa_text(user, "SKEY_number").c_str()));
}
