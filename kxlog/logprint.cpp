#include "kxlog/logprint.h"

#include "kxlog/logbad.h"
#include "kxlog/logtypes.h"
#include "kxu/report.h"

#include <cstdio>

int log_qdata = 1;
int log_doprint = 1;
int log_doaction = 0;
int log_actioncode = 0;
std::string log_keyword;

namespace {
log_action_fn action_handler = nullptr;

void append_action(std::string &out, const std::string &name) {
  if (name.empty()) return;
  if (name.compare(0, 2, "![") == 0) {
    const size_t close = name.find(']', 2);
    out.append(name, 2, close == std::string::npos ? std::string::npos : close - 2);
  } else {
    out += name;
  }
  out += ' ';
}
} // namespace

void log_set_action_handler(log_action_fn fn) { action_handler = fn; }

std::string log_format(const log_fmt &format, const std::string &action_name,
                       const uint32_t *words, size_t nwords) {
  std::string out;
  append_action(out, action_name);
  const size_t n = std::min(format.fields.size(), nwords);
  for (size_t i = 0; i < n; ++i) {
    if (i > 0) out += ' ';
    if (!format.fields[i].label.empty()) {
      out += format.fields[i].label;
      out += ' ';
    }
    log_field_text(out, format, i, words, nwords);
  }
  return out;
}

std::string log_line(const log_shown &s, const LogHosts &hosts) {
  const kxlogrec &h = s.header;
  std::string line = std::to_string(s.recnum);
  line += ' ';
  line += log_timestr(time_t(h.time));
  line += ' ';
  log_append_addr(line, h.origin);
  line += ' ';
  line += hosts.ifname(h.origin, h.ifindex());
  line += h.inbound() ? " > " : " < ";
  switch (s.kind) {
  case log_shown::kRecord: line += log_format(*s.format, s.action_name, s.words, s.nwords); break;
  case log_shown::kUnknown:
  case log_shown::kUnavailable:
    line += s.text + " " + log_formatname(h.format);
    for (size_t i = 0; i < s.nwords; ++i) line += kxu::format(" %x", s.words[i]);
    break;
  default: line += s.text; break;
  }
  return line;
}

int log_p(const log_shown &s, const LogHosts &hosts) {
  if (!log_doprint && !log_doaction) return 0;
  if (log_actioncode && !(log_actioncode & (1 << s.header.action()))) return 0;
  if (s.kind != log_shown::kRecord) {
    if (!log_doprint) return 0;
    std::printf("%s\n", log_line(s, hosts).c_str());
    return 1;
  }
  const bool alert = !s.action_name.empty() && s.action_name[0] == '!';
  if (!alert && !log_doprint) return 0;
  if (!log_keyword.empty() && s.action_name != log_keyword) return 0;
  const std::string line = log_line(s, hosts);
  if (log_doprint) std::printf("%s\n", line.c_str());
  if (alert && log_doaction && action_handler) action_handler(s, line);
  return 1;
}
