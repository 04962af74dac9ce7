#include "script.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kxnft {

namespace {
// The blanks of the "C" locale, whatever locale the program runs in.
bool blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// How often c occurs in s (memchr skips what lies between).
long occurrences(std::string_view s, char c) {
  long n = 0;
  const char *end = s.data() + s.size();
  for (const char *p = s.data(); (p = static_cast<const char *>(memchr(p, c, size_t(end - p)))); ++p)
    ++n;
  return n;
}
} // namespace

std::string squeeze(std::string_view s) {
  std::string out;
  squeeze_into(out, s);
  return out;
}

void squeeze_into(std::string &out, std::string_view s) {
  // One pass into a buffer as long as the text: a run of blanks becomes one
  // blank when a word comes before and after it.
  out.resize(s.size());
  char *begin = out.data(), *o = begin;
  bool gap = false;
  for (char c : s) {
    if (blank(c)) {
      gap = o != begin;
      continue;
    }
    if (gap)
      *o++ = ' ';
    gap = false;
    *o++ = c;
  }
  out.resize(size_t(o - begin));
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && blank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && blank(s.back()))
    s.remove_suffix(1);
  return s;
}

std::optional<std::string_view> call_body(std::string_view call) {
  size_t open = call.find('('), close = call.rfind(')');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open)
    return std::nullopt;
  return call.substr(open + 1, close - open - 1);
}

std::vector<std::string> split_fields(std::string_view s, char sep) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < s.size()) {
    size_t end = std::min(s.find(sep, start), s.size());
    out.push_back(squeeze(s.substr(start, end - start)));
    start = end + 1;
  }
  return out;
}

std::vector<std::string> split_top(std::string_view s, std::string_view sep) {
  std::vector<std::string> out;
  for_each_top(s, sep, [&](std::string_view field) { squeeze_into(out.emplace_back(), field); });
  return out;
}

namespace {
bool starts(std::string_view s, std::string_view p) { return s.starts_with(p); }

// The arguments of CALL(a, b, ...), split at top-level commas.
std::vector<std::string> call_args(const std::string &t) {
  auto body = call_body(t);
  return body ? split_top(*body, ",") : std::vector<std::string>{};
}

long number(const std::string &s, long fallback) {
  if (s.empty() || s.size() > 9)
    return fallback;
  for (char c : s)
    if (!isdigit(static_cast<unsigned char>(c)))
      return fallback;
  return std::stol(s);
}

void parse_service(Script &out, const std::string &t) {
  size_t open = t.find('(');
  std::string kind = t.substr(4, open - 4); // after "SRV_"
  auto args = call_args(t);
  if (args.empty())
    return;
  Service s;
  s.name = args[0];
  bool range = kind.size() > 6 && kind.compare(kind.size() - 6, 6, "_range") == 0;
  s.proto = range ? kind.substr(0, kind.size() - 6) : kind;
  if (range && args.size() == 5) {
    s.range = true;
    s.sport_lo = number(args[1], -1);
    s.sport_hi = number(args[2], -1);
    s.dport_lo = number(args[3], -1);
    s.dport_hi = number(args[4], -1);
  } else if (args.size() >= 2) {
    s.value = args[1];
    for (size_t i = 2; i < args.size(); ++i)
      s.value += ", " + args[i];
    long port = number(s.value, -1);
    s.dport_lo = s.dport_hi = port;
  }
  std::string key = s.name;
  out.services.insert_or_assign(std::move(key), std::move(s));
}

void parse_address(Script &out, const std::string &t) {
  size_t open = t.find('(');
  auto args = call_args(t);
  if (args.size() < 2)
    return;
  Address a{args[0], t.substr(5, open - 5), args[1], args.size() > 2 ? args[2] : ""};
  std::string key = a.name;
  out.addresses.insert_or_assign(std::move(key), std::move(a));
}

// Where the reader is: what it tells, and whether it is in the filter code.
struct Tell {
  ScriptListener *listener = nullptr;
  bool in_code = true;
};

// "NAME = [kind] { a, b }" with kind one of the plural words.
bool parse_list(Script &out, const std::string &t, const Tell &tell) {
  size_t eq = t.find(" = "), brace = t.find('{'), end = t.rfind('}');
  if (eq == std::string::npos || brace == std::string::npos || end == std::string::npos || eq > brace ||
      t.find(' ') != eq || end < brace)
    return false;
  List l;
  l.name = t.substr(0, eq);
  std::string written = squeeze(std::string_view(t).substr(eq + 3, brace - eq - 3));
  std::string kind = written;
  if (kind.empty())
    kind = "host";
  else if (kind.back() == 's')
    kind.pop_back();
  l.kind = kind;
  for (auto &m : split_top(std::string_view(t).substr(brace + 1, end - brace - 1), ","))
    if (!m.empty())
      l.members.push_back(std::move(m));
  if (tell.listener)
    tell.listener->list(out, l, written, tell.in_code);
  if (!out.lists.count(l.name))
    out.list_order.push_back(l.name);
  std::string key = l.name;
  out.lists.insert_or_assign(std::move(key), std::move(l));
  return true;
}

// `t`: squeezed lines joined by single blanks.
void parse_statement(Script &out, std::string t, int line, const Tell &tell) {
  if (!t.empty() && t.back() == ';')
    t.pop_back();
  if (!t.empty() && t.back() == ' ')
    t.pop_back();
  if (t.empty() || parse_list(out, t, tell))
    return;
  auto add = [&](Statement &&s) {
    out.statements.push_back(std::move(s));
    if (tell.listener)
      tell.listener->statement(out.statements.back(), tell.in_code);
  };
  Statement s;
  s.line = line;
  std::string_view v = t;
  size_t sp = v.find(' ');
  std::string_view first = v.substr(0, sp);
  if ((first == "inbound" || first == "outbound" || first == "eitherbound") && sp != std::string::npos) {
    std::string_view rest = v.substr(sp + 1);
    size_t sp2 = rest.find(' ');
    std::string_view scope = rest.substr(0, sp2);
    size_t at = scope.find('@');
    if (at != std::string::npos) {
      s.direction = first;
      s.iface = scope.substr(0, at);
      s.target = scope.substr(at + 1);
      if (sp2 != std::string::npos)
        s.body = rest.substr(sp2 + 1);
      add(std::move(s));
      return;
    }
  }
  s.body = std::move(t);
  add(std::move(s));
}

// Rule numbers of the auth rules database: its rules are named "rule-N".
void scan_export(Script &out, const std::string &block) {
  for (size_t at = block.find("(rule-"); at != std::string::npos; at = block.find("(rule-", at + 6)) {
    size_t end = block.find_first_not_of("0123456789", at + 6);
    long n = number(block.substr(at + 6, end - at - 6), -1);
    if (n > 0)
      out.auth_rules.insert(int(n));
  }
}
} // namespace

Script parse_script(std::string_view text, ScriptListener *listener) {
  Script out;
  // At most one statement per ";": no moves as the script grows (what is
  // not used of it is never touched).
  out.statements.reserve(size_t(occurrences(text, ';')));
  std::string pending, exported, t;
  int pending_line = 0, lineno = 0, depth = 0;
  bool in_export = false;
  // Only a listener asks where the filter code is.
  Tell tell{listener, !listener || text.find("// Filter Code Start") == std::string_view::npos};
  bool in_code = tell.in_code;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t nl = text.find('\n', pos);
    size_t end = nl == std::string::npos ? text.size() : nl;
    std::string_view raw(text.data() + pos, end - pos);
    pos = end + 1;
    ++lineno;
    squeeze_into(t, raw);
    if (listener && !t.empty() && (t[0] == '#' || t[0] == '/')) {
      if (starts(t, "#define"))
        listener->define(t);
      else if (t == "// Filter Code Start")
        in_code = true;
      else if (t == "// Filter Code End")
        in_code = false;
    }
    if (in_export) {
      exported.append(raw).append("\n");
      if (t == "}.set;") {
        in_export = false;
        scan_export(out, exported);
      }
      continue;
    }
    if (pending.empty()) {
      if (t.empty() || starts(t, "//") || t[0] == '#')
        continue;
      if (starts(t, "export {")) {
        in_export = true;
        exported.clear();
        continue;
      }
      if (starts(t, "SRV_")) {
        parse_service(out, t);
        continue;
      }
      if (starts(t, "ADDR_")) {
        parse_address(out, t);
        continue;
      }
      if (starts(t, "MAKE_ALERT"))
        continue;
      pending_line = lineno;
      tell.in_code = in_code;
    } else if (t.empty() || starts(t, "//")) {
      continue;
    }
    if (!pending.empty())
      pending += ' ';
    pending += t;
    depth += int(occurrences(t, '{') - occurrences(t, '}'));
    char last = pending.back();
    if (depth <= 0 && (last == ';' || last == '}')) {
      parse_statement(out, std::move(pending), pending_line, tell);
      pending.clear();
      depth = 0;
    }
  }
  if (!pending.empty())
    parse_statement(out, std::move(pending), pending_line, tell);
  return out;
}

} // namespace kxnft
