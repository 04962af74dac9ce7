#include "script.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kxnft {

namespace {
// The blanks of the "C" locale, whatever locale the program runs in.
bool blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Per byte: whether it is a blank, and what it adds to the brace depth.
struct ByteClass {
  bool blank[256] = {};
  signed char depth[256] = {};
  constexpr ByteClass() {
    for (int c = 0; c < 256; ++c)
      blank[c] = c == ' ' || (c >= '\t' && c <= '\r');
    depth[int('{')] = 1;
    depth[int('}')] = -1;
  }
};
constexpr ByteClass kByte;

// Squeezes s[from, to) into `o` as below, starting after a blank or not;
// returns where the output ends.
char *squeeze_bytes(const char *from, const char *to, char *o, bool &after_blank, long &depth) {
  bool after = after_blank;
  long d = 0;
  for (; from != to; ++from) {
    auto c = static_cast<unsigned char>(*from);
    bool b = kByte.blank[c];
    *o = b ? ' ' : char(c);
    o += !(b && after);
    after = b;
    d += kByte.depth[c];
  }
  after_blank = after;
  depth += d;
  return o;
}

// Squeezes `s` into `out` and returns the length; `depth` gets what the
// braces add. Without branches on the text: every byte is written (a blank
// as ' ') and the output moves on unless a blank follows a blank or the
// start; a blank left at the end is dropped. Runs of up to 16 bytes with
// single blanks only and no braces are copied at once, each blank as ' ':
// the text may be read up to `readable` (at least the end of `s`), and
// `out` needs room for s.size() bytes and as many more as `readable` lies
// past the end of `s`, up to 15.
size_t squeeze_to(std::string_view s, char *out, long &depth, const char *readable) {
  const char *p = s.data(), *end = p + s.size();
  char *o = out;
  bool after_blank = true;
  while (p != end && kByte.blank[static_cast<unsigned char>(*p)])
    ++p;
#ifdef __SSE2__
  const __m128i space = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t'), four = _mm_set1_epi8(4);
  const __m128i open = _mm_set1_epi8('{'), close = _mm_set1_epi8('}');
  while (p != end && readable - p >= 16) {
    size_t n = std::min<size_t>(size_t(end - p), 16);
    unsigned valid = (1u << n) - 1;
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    // Blanks: the space, and '\t' to '\r' (v - '\t' at most 4).
    __m128i t = _mm_sub_epi8(v, tab);
    __m128i is_blank = _mm_or_si128(_mm_cmpeq_epi8(v, space), _mm_cmpeq_epi8(_mm_min_epu8(t, four), t));
    unsigned braces = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, open), _mm_cmpeq_epi8(v, close))));
    unsigned blanks = unsigned(_mm_movemask_epi8(is_blank)) & valid;
    if ((braces & valid) || (blanks & (blanks << 1 | unsigned(after_blank)))) {
      o = squeeze_bytes(p, p + n, o, after_blank, depth);
    } else {
      __m128i squeezed = _mm_or_si128(_mm_andnot_si128(is_blank, v), _mm_and_si128(is_blank, space));
      _mm_storeu_si128(reinterpret_cast<__m128i *>(o), squeezed);
      o += n;
      after_blank = (blanks >> (n - 1)) & 1;
    }
    p += n;
  }
#endif
  o = squeeze_bytes(p, end, o, after_blank, depth);
  if (o != out && o[-1] == ' ')
    --o;
  return size_t(o - out);
}

// How often c occurs in s (memchr skips what lies between).
long occurrences(std::string_view s, char c) {
  long n = 0;
  const char *end = s.data() + s.size();
  for (const char *p = s.data(); (p = static_cast<const char *>(memchr(p, c, size_t(end - p)))); ++p)
    ++n;
  return n;
}
// How often `word` occurs in s.
long mentions(std::string_view s, std::string_view word) {
  long n = 0;
  for (size_t at = s.find(word); at != std::string_view::npos; at = s.find(word, at + word.size()))
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
  out.resize(s.size());
  long depth = 0;
  out.resize(squeeze_to(s, out.data(), depth, s.data() + s.size()));
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

// The arguments of CALL(a, b, ...) in squeezed text, split at top-level
// commas, as views into it (a field of squeezed text squeezes to itself
// trimmed).
void call_args(std::string_view t, std::vector<std::string_view> &args) {
  args.clear();
  if (auto body = call_body(t))
    for_each_top(*body, ",", [&](std::string_view field) { args.push_back(trim(field)); });
}

long number(std::string_view s, long fallback) {
  if (s.empty() || s.size() > 9)
    return fallback;
  long n = 0;
  for (char c : s) {
    if (c < '0' || c > '9')
      return fallback;
    n = n * 10 + (c - '0');
  }
  return n;
}

// Views into one reading's squeezed text, reused from line to line.
using Fields = std::vector<std::string_view>;

void parse_service(Script &out, std::string_view t, Fields &args) {
  size_t open = t.find('(');
  std::string_view kind = t.substr(4, open - 4); // after "SRV_"
  call_args(t, args);
  if (args.empty())
    return;
  Service s;
  s.name = args[0];
  bool range = kind.ends_with("_range") && kind.size() > 6;
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
      s.value.append(", ").append(args[i]);
    long port = number(s.value, -1);
    s.dport_lo = s.dport_hi = port;
  }
  std::string key = s.name;
  out.services.insert_or_assign(std::move(key), std::move(s));
}

void parse_address(Script &out, std::string_view t, Fields &args) {
  size_t open = t.find('(');
  call_args(t, args);
  if (args.size() < 2)
    return;
  Address a{std::string(args[0]), std::string(t.substr(5, open - 5)), std::string(args[1]),
            args.size() > 2 ? std::string(args[2]) : std::string()};
  std::string key = a.name;
  out.addresses.insert_or_assign(std::move(key), std::move(a));
}

// Where the reader is: what it tells, and whether it is in the filter code.
struct Tell {
  ScriptListener *listener = nullptr;
  bool in_code = true;
};

// "NAME = [kind] { a, b }" with kind one of the plural words.
bool parse_list(Script &out, std::string_view t, const Tell &tell) {
  // The name is the first word, " = " follows it.
  size_t eq = t.find(' ');
  if (eq == std::string_view::npos || t.compare(eq, 3, " = ") != 0)
    return false;
  size_t brace = t.find('{'), end = t.rfind('}');
  if (brace == std::string_view::npos || end == std::string_view::npos || eq > brace || end < brace)
    return false;
  List l;
  l.name = t.substr(0, eq);
  std::string_view written = trim(t.substr(eq + 3, brace - eq - 3));
  std::string_view kind = written;
  if (kind.empty())
    kind = "host";
  else if (kind.back() == 's')
    kind.remove_suffix(1);
  l.kind = kind;
  std::string_view members = t.substr(brace + 1, end - brace - 1);
  l.members.reserve(size_t(occurrences(members, ',')) + 1);
  for_each_top(members, ",", [&](std::string_view m) {
    if (!(m = trim(m)).empty())
      l.members.emplace_back(m);
  });
  if (tell.listener)
    tell.listener->list(out, l, written, tell.in_code);
  auto [at, fresh] = out.lists.try_emplace(l.name);
  if (fresh)
    out.list_order.push_back(l.name);
  at->second = std::move(l);
  return true;
}

// `t`: squeezed lines joined by single blanks.
void parse_statement(Script &out, std::string_view t, int line, const Tell &tell) {
  if (!t.empty() && t.back() == ';')
    t.remove_suffix(1);
  if (!t.empty() && t.back() == ' ')
    t.remove_suffix(1);
  if (t.empty() || parse_list(out, t, tell))
    return;
  Statement &s = out.statements.emplace_back();
  s.line = line;
  size_t sp = t.find(' ');
  std::string_view first = t.substr(0, sp), body = t;
  if ((first == "inbound" || first == "outbound" || first == "eitherbound") && sp != std::string_view::npos) {
    std::string_view rest = t.substr(sp + 1);
    size_t sp2 = rest.find(' ');
    std::string_view scope = rest.substr(0, sp2);
    size_t at = scope.find('@');
    if (at != std::string_view::npos) {
      s.direction = first;
      s.iface = scope.substr(0, at);
      s.target = scope.substr(at + 1);
      body = sp2 != std::string_view::npos ? rest.substr(sp2 + 1) : std::string_view();
    }
  }
  s.body = body;
  if (tell.listener)
    tell.listener->statement(s, tell.in_code);
}

// Rule numbers of the auth rules database: its rules are named "rule-N".
void scan_export(Script &out, std::string_view block) {
  for (size_t at = block.find("(rule-"); at != std::string_view::npos; at = block.find("(rule-", at + 6)) {
    size_t end = std::min(block.find_first_not_of("0123456789", at + 6), block.size());
    long n = number(block.substr(at + 6, end - at - 6), -1);
    if (n > 0)
      out.auth_rules.insert(int(n));
  }
}
} // namespace

Script parse_script(std::string_view text, ScriptListener *listener) {
  Script out;
  // At most one statement per ";": no moves as the script grows (what is
  // not used of it is never touched). Not more than one per 16 bytes of
  // text, though: a text of nothing but ";" reserves no more than some
  // times its own size.
  out.statements.reserve(std::min(size_t(occurrences(text, ';')), text.size() / 16));
  // At most one address per "ADDR_": their array need not move as it
  // grows. Not more than one per 32 bytes of text, though: a text of
  // nothing but "ADDR_" reserves no more than some times its own size.
  out.addresses.reserve(std::min(size_t(mentions(text, "ADDR_")), text.size() / 32));
  // The statement being read, squeezed lines joined by blanks, with the
  // line just read squeezed after it: never longer than the text, whose
  // line ends the joining blanks replace (and room for squeeze_to to write
  // its last 16 bytes whole).
  auto buffer = std::make_unique_for_overwrite<char[]>(text.size() + 1 + 15);
  size_t pending = 0; // length of the statement being read
  std::string exported;
  Fields args;
  int pending_line = 0, lineno = 0;
  long depth = 0;
  bool in_export = false;
  // Only a listener asks where the filter code is.
  Tell tell{listener, !listener || text.find("// Filter Code Start") == std::string_view::npos};
  bool in_code = tell.in_code;
  size_t pos = 0;
  while (pos <= text.size()) {
    const char *nl = static_cast<const char *>(memchr(text.data() + pos, '\n', text.size() - pos));
    size_t end = nl ? size_t(nl - text.data()) : text.size();
    std::string_view raw(text.data() + pos, end - pos);
    pos = end + 1;
    ++lineno;
    // The line squeezed, after the statement and a joining blank.
    size_t from = pending ? pending + 1 : 0;
    long braces = 0;
    std::string_view t(buffer.get() + from, squeeze_to(raw, buffer.get() + from, braces, text.data() + text.size()));
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
    if (pending == 0) {
      if (t.empty() || starts(t, "//") || t[0] == '#')
        continue;
      if (starts(t, "export {")) {
        in_export = true;
        exported.clear();
        continue;
      }
      if (starts(t, "SRV_")) {
        parse_service(out, t, args);
        continue;
      }
      if (starts(t, "ADDR_")) {
        parse_address(out, t, args);
        continue;
      }
      if (starts(t, "MAKE_ALERT"))
        continue;
      pending_line = lineno;
      tell.in_code = in_code;
    } else if (t.empty() || starts(t, "//")) {
      continue;
    } else {
      buffer[pending] = ' ';
    }
    pending = from + t.size();
    depth += braces;
    char last = buffer[pending - 1];
    if (depth <= 0 && (last == ';' || last == '}')) {
      parse_statement(out, std::string_view(buffer.get(), pending), pending_line, tell);
      pending = 0;
      depth = 0;
    }
  }
  if (pending)
    parse_statement(out, std::string_view(buffer.get(), pending), pending_line, tell);
  return out;
}

} // namespace kxnft
