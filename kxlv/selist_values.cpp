// Value lists of selections: making them from typed texts, and reading
// dates and times.
#include "kxlv/selist.h"

#include "kxu/report.h"

#include <arpa/inet.h>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <strings.h>

namespace {

kxset *leaf(const std::string &text) { return kxset::make(KxAtom(text)); }

// Reads up to three numbers separated by `sep`; the count read.
int read3(const char *text, char sep, int out[3]) {
  int n = 0;
  const char *p = text;
  while (n < 3) {
    char *end = nullptr;
    const long v = std::strtol(p, &end, 10);
    if (end == p) break;
    if (v < -1000000 || v > 1000000) return -1;
    out[n++] = int(v);
    p = end;
    if (*p != sep) break;
    ++p;
  }
  while (*p == ' ') ++p;
  return *p ? -1 : n;
}

// Splits "A-B" at the dash that separates two values ("-" alone keeps both
// open); a value without dash is both start and stop.
void split_range(const std::string &v, std::string *start, std::string *stop) {
  const size_t dash = v.find('-', 1);
  if (dash == std::string::npos) {
    *start = *stop = v;
    return;
  }
  *start = v.substr(0, dash);
  *stop = v.substr(dash + 1);
}

bool is_number(const std::string &s) {
  if (s.empty()) return false;
  size_t i = s[0] == '-' ? 1 : 0;
  return i < s.size() && s.size() - i <= 10 && s.find_first_not_of("0123456789", i) == std::string::npos;
}

int full_year(int y) { return y < 70 ? y + 100 : y < 1900 ? y : y - 1900; }

} // namespace

int kxgetdate(const char *text, int *month, int *day, int *year) {
  if (!text || !*text) return 0;
  int v[3];
  const int n = read3(text, '/', v);
  if (n <= 0) return -1;
  if (v[0] < 1 || v[0] > 12 || (n > 1 && (v[1] < 1 || v[1] > 31)) || (n > 2 && v[2] < 0)) return -1;
  *month = v[0] - 1;
  if (n > 1) *day = v[1];
  if (n > 2) *year = full_year(v[2]);
  return 0;
}

int kxgettime(const char *text, int *hour, int *minute, int *second) {
  if (!text || !*text) return 0;
  int v[3];
  const int n = read3(text, ':', v);
  if (n <= 0) return -1;
  if (v[0] < 0 || v[0] > 23 || (n > 1 && (v[1] < 0 || v[1] > 59)) ||
      (n > 2 && (v[2] < 0 || v[2] > 59)))
    return -1;
  *hour = v[0];
  if (n > 1) *minute = v[1];
  if (n > 2) *second = v[2];
  return 0;
}

namespace {

// A date range: the stop's missing day and month are the end of the year,
// its missing year the start's year (the last day is 31, not 30).
bool make_dates(const std::string &value, kxset *list, std::string *error) {
  std::string a, b;
  split_range(value, &a, &b);
  const time_t now = time(nullptr);
  struct tm today {};
  localtime_r(&now, &today);
  int m1 = 0, d1 = 1, y1 = today.tm_year;
  int m2 = 11, d2 = 31, y2 = -1;
  if (kxgetdate(a.c_str(), &m1, &d1, &y1) < 0) {
    *error = "Bad date format: <" + a + ">";
    return false;
  }
  if (kxgetdate(b.c_str(), &m2, &d2, &y2) < 0) {
    *error = "Bad date format: <" + b + ">";
    return false;
  }
  if (a == b) m2 = m1, d2 = d1, y2 = y1;
  if (y2 < 0) y2 = y1;
  list->set("start", leaf(kxu::format("%02d/%02d/%02d", m1 + 1, d1, y1 % 100)));
  list->set("stop", leaf(kxu::format("%02d/%02d/%02d", m2 + 1, d2, y2 % 100)));
  return true;
}

// A time range: missing start fields are 0, the stop's missing fields make
// the end of that hour or day (23:59:59, not 23:00:00).
bool make_times(const std::string &value, kxset *list, std::string *error) {
  std::string a, b;
  split_range(value, &a, &b);
  int h1 = 0, mi1 = 0, s1 = 0, h2 = 23, mi2 = 59, s2 = 59;
  if (kxgettime(a.c_str(), &h1, &mi1, &s1) < 0) {
    *error = "Bad time format: <" + a + ">";
    return false;
  }
  if (kxgettime(b.c_str(), &h2, &mi2, &s2) < 0) {
    *error = "Bad time format: <" + b + ">";
    return false;
  }
  list->set("start", leaf(kxu::format("%02d:%02d:%02d", h1, mi1, s1)));
  list->set("stop", leaf(kxu::format("%02d:%02d:%02d", h2, mi2, s2)));
  return true;
}

bool make_numbers(const std::string &value, kxset *list, std::string *error) {
  std::string a, b;
  split_range(value, &a, &b);
  if ((!a.empty() && !is_number(a)) || (!b.empty() && !is_number(b))) {
    *error = "Bad number range: <" + value + ">";
    return false;
  }
  long start = a.empty() ? 0 : std::strtol(a.c_str(), nullptr, 10);
  long stop = b.empty() ? 2147483647L : std::strtol(b.c_str(), nullptr, 10);
  if (start < 0) start = 0;
  if (stop < 0 || stop > 2147483647L) stop = 2147483647L;
  list->set("start", leaf(std::to_string(start)));
  list->set("stop", leaf(std::to_string(stop)));
  return true;
}

bool valid_address(const std::string &v) {
  const size_t slash = v.find('/');
  in_addr a{};
  if (inet_pton(AF_INET, v.substr(0, slash).c_str(), &a) != 1) return false;
  if (slash == std::string::npos) return true;
  const std::string len = v.substr(slash + 1);
  return is_number(len) && len.size() <= 2 && std::atoi(len.c_str()) <= 32;
}

} // namespace

KxSetRef kxlv_make_list(const std::string &column, const std::vector<std::string> &values,
                        std::string *error) {
  KxSetRef list(kxset::make());
  const char *c = column.c_str();
  auto one = [&](auto fn) -> KxSetRef {
    if (values.size() != 1) {
      *error = "Selection of " + column + " takes one value";
      return {};
    }
    return fn(values[0], list.get(), error) ? list : KxSetRef();
  };
  if (!strcasecmp(c, "Num") || !strcasecmp(c, "Rule") || !strcasecmp(c, "S_Port"))
    return one(make_numbers);
  if (!strcasecmp(c, "Date")) return one(make_dates);
  if (!strcasecmp(c, "Time")) return one(make_times);
  if (!strcasecmp(c, "Info")) {
    std::string pattern;
    for (size_t i = 0; i < values.size(); ++i) pattern += (i ? "," : "") + values[i];
    list->set("pattern", leaf(pattern));
    return list;
  }
  if (values.empty()) {
    *error = "Selection of " + column + " needs a value";
    return {};
  }
  const bool enums = !strcasecmp(c, "Action") || !strcasecmp(c, "Type") || !strcasecmp(c, "Proto");
  kxset *target = list.get();
  if (enums) {
    target = kxset::make();
    list->set("vals", target);
  }
  for (const std::string &v : values) {
    if (v.empty()) continue;
    if (!strcasecmp(c, "Action") && strcasecmp(v.c_str(), "accept") && strcasecmp(v.c_str(), "reject") &&
        strcasecmp(v.c_str(), "drop")) {
      *error = "Unknown action '" + v + "'";
      return {};
    }
    if (!strcasecmp(c, "Type") && strcasecmp(v.c_str(), "log") && strcasecmp(v.c_str(), "alert") &&
        strcasecmp(v.c_str(), "control")) {
      *error = "Unknown type '" + v + "'";
      return {};
    }
    // An address must be whole; anything without a digit first is a name,
    // looked up when the selection is made.
    if ((!strcasecmp(c, "Orig") || !strcasecmp(c, "Src") || !strcasecmp(c, "Dst")) && !valid_address(v) &&
        std::isdigit(static_cast<unsigned char>(v[0]))) {
      *error = "Unknown object '" + v + "'";
      return {};
    }
    std::string value = v;
    if (!strcasecmp(c, "I/F") && value.find('.') == std::string::npos) value += ".all";
    target->append(KxAtom::null(), leaf(value));
  }
  return list;
}
