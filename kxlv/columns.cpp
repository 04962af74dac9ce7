#include "kxlv/columns.h"

#include "kxu/report.h"

#include <arpa/inet.h>
#include <ctime>
#include <strings.h>

std::vector<kxlv_column> kxlv_default_columns() {
  return {{"Num", "text", true, 6},     {"Date", "text", true, 8},    {"Time", "text", true, 8},
          {"I/F", "image", true, 8},    {"Orig", "text", true, 15},   {"Type", "icon", true, 7},
          {"Action", "icon", true, 7},  {"Service", "text", true, 10}, {"Src", "text", true, 15},
          {"Dst", "text", true, 15},    {"Proto", "text", true, 5},   {"S_Port", "text", true, 6},
          {"User", "text", true, 8},    {"Rule", "text", true, 4},    {"Info", "text", true, 0}};
}

size_t kxlv_col_colof(const std::vector<kxlv_column> &columns, const std::string &name) {
  for (size_t i = 0; i < columns.size(); ++i)
    if (strcasecmp(columns[i].name.c_str(), name.c_str()) == 0) return i;
  return columns.size();
}

namespace {

const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct tm local(uint32_t time) {
  const time_t t = time;
  struct tm tm {};
  localtime_r(&t, &tm);
  return tm;
}

} // namespace

// The year shows as two digits: the count of years since 1900 would print
// "126" from 2000 on.
std::string kxlv_date_text(uint32_t time) {
  const struct tm tm = local(time);
  return kxu::format("%d%s%02d", tm.tm_mday, kMonths[tm.tm_mon], tm.tm_year % 100);
}

std::string kxlv_time_text(uint32_t time) {
  const struct tm tm = local(time);
  return kxu::format("%d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
}

// Local time with daylight saving, the same rule the shown time uses, so a
// time selection compares what the user sees.
uint32_t kxlv_local_midnight(uint32_t time) {
  struct tm tm = local(time);
  tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
  tm.tm_isdst = -1;
  const time_t t = mktime(&tm);
  return t < 0 ? 0 : uint32_t(t);
}

uint32_t kxlv_time_of_day(uint32_t time) {
  const struct tm tm = local(time);
  return uint32_t(tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec);
}

namespace {

std::string dotted(uint32_t addr) {
  in_addr a{};
  a.s_addr = htonl(addr);
  char buf[INET_ADDRSTRLEN];
  return inet_ntop(AF_INET, &a, buf, sizeof buf) ? buf : "";
}

std::string info_text(const kxlv_entry &e, const std::vector<kxlv_column> &columns) {
  std::string out;
  if (e.format) {
    const size_t n = std::min(e.format->fields.size(), e.words.size());
    for (size_t i = 0; i < n; ++i) {
      const std::string &label = e.format->fields[i].label;
      // A field labelled "info" belongs here; others with a column show there.
      if (strcasecmp(label.c_str(), "Info") != 0 && kxlv_col_colof(columns, label) != columns.size()) continue;
      out += label;
      out += ' ';
      out += e.field_text(i);
      out += '\t';
    }
  }
  if (!e.message.empty()) {
    out += e.message;
    if (e.kind == log_shown::kUnknown || e.kind == log_shown::kUnavailable)
      for (uint32_t w : e.words) out += kxu::format(" %x", w);
  }
  while (!out.empty() && out.back() == '\t') out.pop_back();
  return out;
}

} // namespace

std::string kxlv_column_text(const kxlv_entry &e, const std::string &column, const LogHosts &hosts,
                             const std::vector<kxlv_column> &columns) {
  const char *c = column.c_str();
  if (!strcasecmp(c, "Num")) return std::to_string(e.num);
  if (!strcasecmp(c, "Date")) return kxlv_date_text(e.header.time);
  if (!strcasecmp(c, "Time")) return kxlv_time_text(e.header.time);
  if (!strcasecmp(c, "I/F"))
    return (e.header.inbound() ? "> " : "< ") + hosts.ifname(e.header.origin, e.header.ifindex());
  if (!strcasecmp(c, "Orig")) return dotted(e.header.origin);
  if (!strcasecmp(c, "Type")) return e.type_name();
  if (!strcasecmp(c, "Action")) {
    // An alert action "![text]command" adds its text to the action's name.
    if (e.action_name.rfind("![", 0) == 0) return e.action_text() + " " + e.shown_action_name();
    return e.action_text();
  }
  if (!strcasecmp(c, "Info")) return info_text(e, columns);
  const int i = e.field_index(column);
  return i < 0 ? std::string() : e.field_text(size_t(i));
}
