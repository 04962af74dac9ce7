#include "kxsys/controlmap.h"

#include "kxsys/conn.h"
#include "kxsys/errors.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <strings.h>

namespace kxsys {

const std::vector<std::string> &kx_command_names() {
  static const std::vector<std::string> names = {"stat", "escape", "tab_stat", "get_tab_name", "get_logdom",
                                                 "db_download", "fetch", "load", "unload", "log"};
  return names;
}

namespace {
std::string trim_left(const std::string &s) {
  size_t i = s.find_first_not_of(" \t");
  return i == std::string::npos ? "" : s.substr(i);
}
std::string trim(const std::string &s) {
  std::string t = trim_left(s);
  size_t e = t.find_last_not_of(" \t\r");
  return e == std::string::npos ? "" : t.substr(0, e + 1);
}

std::vector<std::string> split(const std::string &s, char sep) {
  std::vector<std::string> out;
  std::string item;
  std::istringstream in(s);
  while (std::getline(in, item, sep))
    out.push_back(trim(item));
  return out;
}

// One source word; false when it can't be turned into addresses.
struct ParseCtx {
  const std::function<std::optional<std::string>()> &masters;
  const kxusr_resolver &resolve;
  kxusr_table &t;
};

bool parse_source(const std::string &word, std::vector<kxusr_source> &out, int depth, ParseCtx &c) {
  auto &t = c.t;
  if (word == "*" || strcasecmp(word.c_str(), "Any") == 0) {
    out.push_back({0, 0});
    return true;
  }
  if (word == "masters") {
    if (depth > 0)
      return false; // "masters" inside "masters" would never end
    auto text = c.masters();
    if (!text)
      return false;
    std::istringstream in(*text);
    std::string line;
    while (std::getline(in, line)) {
      line = trim(line);
      if (line.empty() || line[0] == '#')
        continue;
      if (!parse_source(line, out, depth + 1, c))
        t.messages.push_back("Unknown host in masters: \"" + line + "\"");
    }
    return true;
  }
  std::string host = word;
  uint32_t mask = 0xffffffffu;
  if (auto slash = word.find('/'); slash != std::string::npos) {
    host = word.substr(0, slash);
    std::string bits = word.substr(slash + 1);
    if (bits.empty() || bits.size() > 2 || !std::all_of(bits.begin(), bits.end(), ::isdigit))
      return false;
    int n = std::stoi(bits);
    if (n > 32)
      return false;
    mask = n == 0 ? 0 : 0xffffffffu << (32 - n);
  }
  uint32_t addr = 0;
  if (!(c.resolve ? c.resolve(host, addr) : kx_resolve(host, addr)))
    return false;
  out.push_back({addr, mask});
  return true;
}
} // namespace

kxusr_table kxusr_parse(const std::string &text,
                        const std::function<std::optional<std::string>()> &masters,
                        const kxusr_resolver &resolve) {
  kxusr_table t;
  ParseCtx ctx{masters, resolve, t};
  herror(0, 0, "Creating user cmnds auth table");
  std::istringstream in(text);
  std::string raw;
  while (std::getline(in, raw)) {
    std::string line = trim(raw);
    if (line.empty() || line[0] == '#')
      continue;
    size_t colon = line.find(':');
    if (colon == std::string::npos) {
      t.messages.push_back("Badly formatted line: \"" + line + "\"");
      continue;
    }
    kxusr_rule rule;
    for (const auto &src : split(line.substr(0, colon), ',')) {
      if (src.empty() || !parse_source(src, rule.sources, 0, ctx)) {
        t.fatal = "Authentication error: Can't parse <" + line.substr(0, colon) + ">";
        return t;
      }
    }
    std::istringstream segs(line.substr(colon + 1));
    std::string seg;
    while (segs >> seg) {
      size_t slash = seg.find('/');
      if (slash == std::string::npos) {
        t.messages.push_back("Badly formatted segment: \"" + seg + "\"");
        continue;
      }
      kxusr_segment s;
      s.method = seg.substr(0, slash);
      if (s.method.empty()) {
        t.fatal = "Authentication error: Can't parse <" + s.method + "/" + seg.substr(slash + 1) + ">";
        return t;
      }
      for (const auto &cmd : split(seg.substr(slash + 1), ',')) {
        const auto &known = kx_command_names();
        if (cmd == "*" || std::find(known.begin(), known.end(), cmd) != known.end())
          s.commands.push_back(cmd);
        else
          t.messages.push_back("Illegal command <" + cmd + "> in control.map");
      }
      rule.segments.push_back(std::move(s));
    }
    t.rules.push_back(std::move(rule));
  }
  herror(0, 0, "Auth table created.");
  return t;
}

kxusr_table kxusr_load(const std::string &confdir) {
  std::ifstream f(confdir + "/control.map");
  if (!f) {
    kxusr_table t;
    t.fatal = "Authentication error: Cannot open control.map file. Aborting";
    return t;
  }
  std::stringstream ss;
  ss << f.rdbuf();
  return kxusr_parse(ss.str(), [&confdir]() -> std::optional<std::string> {
    std::ifstream m(confdir + "/masters");
    if (!m)
      return std::nullopt;
    std::stringstream ms;
    ms << m.rdbuf();
    return ms.str();
  });
}

std::string kxusr_get(const kxusr_table &table, uint32_t address, const std::string &command) {
  herror(0, 0, "Looking for auth scheme for service %s", command.c_str());
  for (const auto &rule : table.rules) {
    if (std::none_of(rule.sources.begin(), rule.sources.end(),
                     [address](const kxusr_source &s) { return s.matches(address); }))
      continue;
    for (const auto &seg : rule.segments)
      for (const auto &c : seg.commands)
        if (c == "*" || c == command) {
          herror(0, 0, "Auth method for %s: %s", command.c_str(), seg.method.c_str());
          return seg.method;
        }
  }
  herror(0, 0, "Auth method for %s: %s", command.c_str(), "not found");
  return "";
}

} // namespace kxsys
