#include "kxui/status/kxst_answer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "kxui/obj/kxobj.h"

const char *const kx_module_vars[7] = {
    ".1.3.6.1.4.1.32473.1.1.0", ".1.3.6.1.4.1.32473.1.2.0", ".1.3.6.1.4.1.32473.1.3.0",
    ".1.3.6.1.4.1.32473.1.4.0", ".1.3.6.1.4.1.32473.1.5.0", ".1.3.6.1.4.1.32473.1.6.0",
    ".1.3.6.1.4.1.32473.1.7.0"};
const char *const kx_wf_filter_name_column = ".1.3.6.1.4.1.32473.2.2.1.1.2";

std::string kx_time_text(time_t t) {
  static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  tm lt{};
  if (!localtime_r(&t, &lt)) return "unknown time";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%2d%s%d %2d:%02d:%02d", lt.tm_mday, months[lt.tm_mon],
                lt.tm_year, lt.tm_hour, lt.tm_min, lt.tm_sec);
  return buf;
}

namespace {

// Text of an answer as a status attribute: up to its first NUL (attribute
// values are C strings) and at most kx_status_text_max characters.
std::string clip(const std::string &s) {
  return s.substr(0, std::min(s.find('\0'), kx_status_text_max));
}

kxset *with_state(const char *node, const std::string &state, time_t now) {
  kxset *s = kxobj_new(node);
  kxobj_put(s, "state", clip(state).c_str());
  kxobj_put(s, "date", kx_time_text(now).c_str());
  return s;
}

bool is_text(const KxSnmpVar &v) { return v.kind == KxSnmpVar::text; }
bool is_count(const KxSnmpVar &v) { return v.kind == KxSnmpVar::number && !v.negative; }

} // namespace

kxset *kxst_unknown_status(const char *node, time_t now) {
  return with_state(node, "unknown", now);
}

kxset *kxst_module_status(const char *node, const KxSnmpAnswer &a, time_t now) {
  if (a.status != 0) return with_state(node, "disconnected", now);
  // The seven variables, in order, of the expected types; anything else is
  // an answer this station cannot read.
  if (a.vars.size() != 7) return kxst_unknown_status(node, now);
  for (size_t i = 0; i < 7; ++i)
    if (a.vars[i].name != kx_module_vars[i]) return kxst_unknown_status(node, now);
  if (!is_text(a.vars[0]) || !is_text(a.vars[1])) return kxst_unknown_status(node, now);
  const std::string state = clip(a.vars[0].value), name = clip(a.vars[1].value);
  const KxSnmpVar &date = a.vars[2];

  // No filter loaded: an empty name, or the empty string as printed ("").
  if (name.empty() || name == "\"\"") return with_state(node, "not installed", now);
  if (state.empty()) return kxst_unknown_status(node, now);
  if (state != "installed") return with_state(node, state, now);
  if (!is_text(date) || !is_count(a.vars[3]) || !is_count(a.vars[4]) || !is_count(a.vars[5]) ||
      !is_count(a.vars[6]))
    return kxst_unknown_status(node, now);

  const uint64_t rej = a.vars[4].count, drop = a.vars[5].count;
  const uint64_t rejected =
      rej > std::numeric_limits<uint64_t>::max() - drop ? std::numeric_limits<uint64_t>::max()
                                                        : rej + drop;
  kxset *s = kxobj_new(node);
  kxobj_put(s, "state", "installed");
  kxobj_put(s, "name", name.c_str());
  const std::string when = clip(date.value);
  kxobj_put(s, "date", when.empty() ? "-" : when.c_str());
  kxobj_put(s, "accepted", std::to_string(a.vars[3].count).c_str());
  kxobj_put(s, "rejected", std::to_string(rejected).c_str());
  kxobj_put(s, "logged", std::to_string(a.vars[6].count).c_str());
  return s;
}

void kx_wf_filter_name(const std::string &filter, std::string &date, std::string &name) {
  std::string rest = filter;
  date = "-";
  if (filter.size() >= 8) {
    uint32_t when = 0;
    bool ok = true;
    for (int i = 7; i >= 0; --i) {
      const unsigned char c = static_cast<unsigned char>(filter[static_cast<size_t>(i)]);
      if (c < 'I' || c > 'X') {
        ok = false;
        break;
      }
      when = (when << 4) | static_cast<uint32_t>(c - 'I');
    }
    if (ok) {
      date = kx_time_text(static_cast<time_t>(when));
      rest = filter.substr(8);
    }
  }
  name = rest.substr(0, rest.find('.'));
}

kxset *kxst_wellfleet_status(const char *node, const KxSnmpAnswer &a, time_t now) {
  if (a.status != 0) return with_state(node, "disconnected", now);
  // The first row of the column, or something past the table: no filter.
  if (a.vars.empty() || a.vars[0].kind == KxSnmpVar::exception ||
      !kx_oid_below(a.vars[0].name, kx_wf_filter_name_column))
    return with_state(node, "not installed", now);
  if (!is_text(a.vars[0])) return kxst_unknown_status(node, now);
  std::string date, name;
  kx_wf_filter_name(clip(a.vars[0].value), date, name);
  kxset *s = kxobj_new(node);
  kxobj_put(s, "state", "installed");
  kxobj_put(s, "name", name.c_str());
  kxobj_put(s, "date", date.c_str());
  return s;
}
