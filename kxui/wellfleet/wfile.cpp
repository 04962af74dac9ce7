// Rule files read for the filter, and the time stamps of the router status.
#include "kxui/wellfleet/wellfleet.h"

#include "kxset/sio.h"
#include "kxu/kxdir.h"
#include "kxui/obj/tables.h"

#include <cstdio>
#include <ctime>

kxset *kxell_rulebase_read(const char *name) {
  std::string path = name;
  FILE *f = std::fopen(path.c_str(), "r");
  if (!f) {
    path = kx_filename("conf", name, nullptr, nullptr, "KX_CONF");
    f = std::fopen(path.c_str(), "r");
  }
  if (!f) {
    std::fprintf(stderr, "Cannot open '%s'\n", name);
    return nullptr;
  }
  sio_setfile(name);
  kxset *set = sio_readx(f, kx_objects);
  std::fclose(f);
  if (sio_errno() != 0) {
    std::fprintf(stderr, "Failed to load rules from '%s':\n%s", name, sio_messages().c_str());
    return nullptr;
  }
  return set ? set : kxset::make();
}

kxset *kxell_rulebase_gen(const char *name, int interactive) {
  KxSetRef rules(kxell_rulebase_read(name));
  if (!rules) return nullptr;
  return kxell_filter_gen(rules.get(), interactive);
}

std::string kxell_decode_when(std::string &text) {
  if (text.size() < 8) return "-";
  uint32_t when = 0;
  for (int i = 7; i >= 0; --i) {
    int digit = text[static_cast<size_t>(i)] - 'I';
    if (digit < 0 || digit > 15) return "-";
    when = (when << 4) | static_cast<uint32_t>(digit);
  }
  text.erase(0, 8);
  static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  time_t t = static_cast<time_t>(when);
  tm lt{};
  if (!localtime_r(&t, &lt)) return "unknown time";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%2d%s%d %2d:%02d:%02d", lt.tm_mday, months[lt.tm_mon],
                lt.tm_year, lt.tm_hour, lt.tm_min, lt.tm_sec);
  return buf;
}
