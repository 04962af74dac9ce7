#include "kxlv/entry.h"

#include "kxlog/logtypes.h"

#include <strings.h>

const char *kxlv_entry::type_name() const {
  if (!action_name.empty()) return "alert";
  if (is_control()) return "control";
  return "log";
}

std::string kxlv_entry::action_text() const { return ifaction(header.action(), header.format); }

std::string kxlv_entry::shown_action_name() const {
  if (action_name.rfind("![", 0) != 0) return action_name;
  const size_t close = action_name.find(']', 2);
  return action_name.substr(2, close == std::string::npos ? std::string::npos : close - 2);
}

int kxlv_entry::field_index(const std::string &label) const {
  if (!format) return -1;
  int found = -1;
  const size_t n = std::min(format->fields.size(), words.size());
  for (size_t i = 0; i < n; ++i)
    if (strcasecmp(format->fields[i].label.c_str(), label.c_str()) == 0) found = int(i);
  return found;
}

std::string kxlv_entry::field_text(size_t i) const {
  std::string out;
  if (format && i < format->fields.size() && i < words.size())
    log_field_text(out, *format, i, words.data(), words.size());
  return out;
}

bool kxlv_line_eq(const kxlv_entry &a, const kxlv_entry &b) {
  return a.header.origin == b.header.origin && a.header.format == b.header.format &&
         a.header.actif == b.header.actif && a.header.direction == b.header.direction &&
         a.words == b.words && a.message == b.message;
}
