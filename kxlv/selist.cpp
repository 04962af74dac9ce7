#include "kxlv/selist.h"

#include "kxlv/match.h"
#include "kxlv/selist_objects.h"

#include "kxlog/logtypes.h"
#include "kxu/report.h"

#include <arpa/inet.h>
#include <cstring>
#include <ctime>
#include <strings.h>

namespace {

struct Row {
  const char *column;
  kxlv_selkind kind;
};

const Row kRows[] = {
    {"Orig", kxlv_selkind::kNetobj},  {"Src", kxlv_selkind::kNetobj},   {"Dst", kxlv_selkind::kNetobj},
    {"Service", kxlv_selkind::kService}, {"Num", kxlv_selkind::kRange}, {"Date", kxlv_selkind::kDate},
    {"Time", kxlv_selkind::kTime},    {"Action", kxlv_selkind::kAction}, {"Type", kxlv_selkind::kType},
    {"Proto", kxlv_selkind::kProto},  {"Rule", kxlv_selkind::kRange},  {"S_Port", kxlv_selkind::kRange},
    {"User", kxlv_selkind::kUser},    {"I/F", kxlv_selkind::kIfs},     {"Info", kxlv_selkind::kPattern},
};

const Row *row_of(const std::string &column) {
  for (const Row &r : kRows)
    if (!strcasecmp(r.column, column.c_str())) return &r;
  return nullptr;
}

bool is(const std::string &a, const char *b) { return !strcasecmp(a.c_str(), b); }

const char *text_at(const kxset *s, const char *name) {
  const kxset *v = s ? s->get(name) : nullptr;
  return v ? v->getname() : nullptr;
}

std::vector<const kxset *> values_of(const kxset *list) { return kxlv_list_values(list); }

// "a.b.c.d" or "a.b.c.d/len" (or an object with "ipaddr" and "netmask").
bool address_of(const kxset *v, uint32_t *addr, uint32_t *mask) {
  std::string text = text_at(v, "ipaddr") ? text_at(v, "ipaddr") : v->getname();
  uint32_t m = 0xFFFFFFFFu;
  const size_t slash = text.find('/');
  if (slash != std::string::npos) {
    const int len = std::atoi(text.c_str() + slash + 1);
    if (len < 0 || len > 32) return false;
    m = len == 0 ? 0 : 0xFFFFFFFFu << (32 - len);
    text.resize(slash);
  } else if (const char *nm = text_at(v, "netmask")) {
    in_addr a{};
    if (inet_pton(AF_INET, nm, &a) != 1) return false;
    m = ntohl(a.s_addr);
  }
  in_addr a{};
  if (inet_pton(AF_INET, text.c_str(), &a) != 1) return false;
  *addr = ntohl(a.s_addr) & m;
  *mask = m;
  return true;
}

int proto_number(const std::string &name) {
  static const std::pair<const char *, int> kProtos[] = {{"icmp", 1}, {"igmp", 2}, {"ggp", 3},
                                                         {"tcp", 6},  {"pup", 12}, {"udp", 17}};
  for (const auto &p : kProtos)
    if (is(name, p.first)) return p.second;
  char *end = nullptr;
  const long v = std::strtol(name.c_str(), &end, 10);
  return !name.empty() && *end == 0 && v >= 0 && v < 256 ? int(v) : -1;
}

long parse_long(const char *s, long fallback) {
  if (!s || !*s) return fallback;
  char *end = nullptr;
  const long v = std::strtol(s, &end, 10);
  return end == s ? fallback : v;
}

uint32_t date_value(const char *text, uint32_t fallback) {
  if (!text || !*text) return fallback;
  int month = 0, day = 1, year = 70;
  if (kxgetdate(text, &month, &day, &year) < 0) return 0;
  struct tm tm {};
  tm.tm_mon = month;
  tm.tm_mday = day;
  tm.tm_year = year;
  tm.tm_isdst = -1;
  const time_t t = mktime(&tm);
  return t < 0 ? 0 : uint32_t(t);
}

uint32_t time_value(const char *text, uint32_t fallback) {
  if (!text || !*text) return fallback;
  int h = 0, m = 0, s = 0;
  if (kxgettime(text, &h, &m, &s) < 0) return 0;
  return uint32_t(h * 3600 + m * 60 + s);
}

// The range of a range-kind selection as two numbers.
bool range_of(const kxlv_selection &s, uint32_t *lo, uint32_t *hi) {
  const char *a = text_at(s.list.get(), "start"), *b = text_at(s.list.get(), "stop");
  switch (s.kind) {
  case kxlv_selkind::kDate: *lo = date_value(a, 0); *hi = date_value(b, 0x7FFFFFFF); return true;
  case kxlv_selkind::kTime: *lo = time_value(a, 0); *hi = time_value(b, 0x7FFFFFFF); return true;
  default:
    if (!a || !b) return false;
    *lo = uint32_t(std::max(0L, parse_long(a, 0)));
    *hi = uint32_t(std::clamp(parse_long(b, 0x7FFFFFFF), 0L, 0x7FFFFFFFL));
    return true;
  }
}

void compile(kxlv_selection &s, const kxlv_object_finder *objects) {
  s.count = -1;
  s.compiled.clear();
  s.names.clear();
  auto done = [&s]() { s.count = s.compiled.size() <= KXLV_MAX_COMPILED ? long(s.compiled.size()) : -1; };
  switch (s.kind) {
  case kxlv_selkind::kNetobj:
    for (const kxset *v : values_of(s.list.get())) {
      uint32_t a = 0, m = 0;
      if (address_of(v, &a, &m)) {
        s.compiled.push_back(a);
        s.compiled.push_back(m);
      } else if (!kxlv_object_pairs(is(v->getname(), "any") ? v : kxlv_object_of(v, "netobj", objects), objects, 0,
                                    &s.compiled)) {
        return;
      }
    }
    return done();
  case kxlv_selkind::kService:
    for (const kxset *v : values_of(s.list.get())) {
      const long port = parse_long(v->getname(), -1);
      if (port >= 0 && port <= 65535 && std::to_string(port) == v->getname()) {
        s.compiled.push_back(uint32_t(port));
        continue;
      }
      // Names: the ports of the service, else the full test alone.
      const kxset *o = objects && *objects ? (*objects)("servobj", v->getname()) : nullptr;
      if (!kxlv_service_ports(o, objects, 0, &s.compiled)) return;
    }
    return done();
  case kxlv_selkind::kProto:
    for (const kxset *v : values_of(s.list.get())) {
      const int p = proto_number(v->getname());
      if (p < 0) return;
      s.compiled.push_back(uint32_t(p));
    }
    return done();
  case kxlv_selkind::kRange:
  case kxlv_selkind::kDate:
  case kxlv_selkind::kTime: {
    uint32_t lo = 0, hi = 0;
    if (!range_of(s, &lo, &hi)) return;
    s.compiled = {lo, hi};
    return done();
  }
  case kxlv_selkind::kAction:
    for (const kxset *v : values_of(s.list.get())) {
      const int code = ifactioncode(v->getname());
      if (code < 0) return;
      s.compiled.push_back(uint32_t(code));
    }
    return done();
  case kxlv_selkind::kType:
    for (const kxset *v : values_of(s.list.get())) s.names.push_back(v->getname());
    s.count = long(s.names.size());
    return;
  case kxlv_selkind::kIfs:
    for (const kxset *v : values_of(s.list.get())) {
      const std::string text = v->getname();
      const size_t dot = text.rfind('.');
      if (dot == std::string::npos) continue;
      const std::string suffix = text.substr(dot + 1);
      const char dir = suffix == "in" ? '>' : suffix == "out" ? '<' : '=';
      s.names.push_back(text.substr(0, dot) + dir);
    }
    s.count = long(s.names.size());
    return;
  case kxlv_selkind::kUser:
  case kxlv_selkind::kPattern: return;
  }
}

bool check_list_shape(const kxlv_selection &s, std::string *error) {
  switch (s.kind) {
  case kxlv_selkind::kRange:
  case kxlv_selkind::kDate:
  case kxlv_selkind::kTime:
    if (!s.list->get("start") && !s.list->get("stop")) {
      *error = "Selection of " + s.column + " has no range";
      return false;
    }
    return true;
  case kxlv_selkind::kPattern:
    if (!text_at(s.list.get(), "pattern")) {
      *error = "Selection of " + s.column + " has no pattern";
      return false;
    }
    return true;
  default: return true;
  }
}

} // namespace

int kxlv_selist::update(const std::string &column, bool in, kxset *list, std::string *error) {
  KxSetRef hold(list);
  const Row *row = row_of(column);
  if (!row || !list) {
    *error = "Cannot create selection for '" + column + "'";
    return -1;
  }
  kxlv_selection s;
  s.column = row->column;
  s.kind = row->kind;
  s.in = in;
  s.list = hold;
  if (!check_list_shape(s, error)) return -1;
  if (s.kind == kxlv_selkind::kNetobj)
    for (const kxset *v : values_of(list)) {
      uint32_t a = 0, m = 0;
      if (!address_of(v, &a, &m) && !is(v->getname(), "any") && !kxlv_object_of(v, "netobj", &objects_)) {
        *error = kxu::format("Unknown object '%s'", v->getname());
        return -1;
      }
    }
  compile(s, &objects_);
  for (kxlv_selection &old : sels_)
    if (is(old.column, row->column)) {
      old = std::move(s);
      return 0;
    }
  if (sels_.size() >= KXLV_MAX_SELECTIONS) {
    *error = "Cannot create selection for '" + column + "'";
    return -1;
  }
  sels_.push_back(std::move(s));
  return 0;
}

bool kxlv_selist::remove(const std::string &column) {
  for (size_t i = 0; i < sels_.size(); ++i)
    if (is(sels_[i].column, column.c_str())) {
      remove(i);
      return true;
    }
  return false;
}

void kxlv_selist::remove(size_t index) {
  if (index < sels_.size()) sels_.erase(sels_.begin() + long(index));
}

KxSetRef kxlv_selist::save() const {
  KxSetRef out(kxset::make());
  for (size_t i = 0; i < sels_.size(); ++i) {
    const kxlv_selection &s = sels_[i];
    kxset *rule = kxset::make(KxAtom(kxu::format("srule_%zu", i + 1)));
    rule->set("type", kxset::make(KxAtom(s.column)));
    rule->set("is", kxset::make(KxAtom(s.in ? "1" : "0")));
    rule->set("val", kxsetcopy(s.list.get(), -1));
    out->append(KxAtom::null(), rule);
  }
  return out;
}

void kxlv_selist::load(const kxset *object, std::vector<std::string> *messages) {
  sels_.clear();
  if (!object) return;
  bool in = true;
  for (int i = 0; i < object->getnattr(); ++i) {
    const kxset *rule = object->get(i);
    if (!rule) continue;
    const char *type = text_at(rule, "type");
    if (const char *is_text = text_at(rule, "is")) in = std::strcmp(is_text, "0") != 0;
    kxset *val = rule->get("val");
    std::string error;
    if (!type || !val) {
      messages->push_back(kxu::format("Selection %s lacks its column or values", rule->getname()));
      continue;
    }
    if (update(type, in, kxsetcopy(val, -1), &error) < 0) messages->push_back(error);
  }
}

namespace {

// The raw value of a column in an entry, if the entry has one.
bool raw_value(const kxlv_selection &s, const kxlv_entry &e, uint32_t *out) {
  const std::string &c = s.column;
  if (is(c, "Num")) return *out = uint32_t(e.num), true;
  if (is(c, "Date")) return *out = kxlv_local_midnight(e.header.time), true;
  if (is(c, "Time")) return *out = kxlv_time_of_day(e.header.time), true;
  if (is(c, "Orig")) return *out = e.header.origin, true;
  if (is(c, "Action")) return *out = uint32_t(e.header.action()), e.header.action() != 0;
  const int i = e.field_index(c);
  if (i < 0) return false;
  *out = e.words[size_t(i)];
  return true;
}

bool quick_match(const kxlv_selection &s, const kxlv_entry &e, const kxlv_test_ctx &ctx,
                 bool *applies) {
  *applies = true;
  if (s.kind == kxlv_selkind::kIfs) {
    const std::string name = ctx.hosts ? ctx.hosts->ifname(e.header.origin, e.header.ifindex()) : "";
    const char dir = e.header.inbound() ? '>' : '<';
    for (const std::string &n : s.names) {
      const char d = n.back();
      const std::string nm = n.substr(0, n.size() - 1);
      if ((d == '=' || d == dir) && (nm == "all" || nm.empty() || nm == name)) return true;
    }
    return false;
  }
  if (s.kind == kxlv_selkind::kType) {
    for (const std::string &n : s.names)
      if (is(n, e.type_name())) return true;
    return false;
  }
  uint32_t v = 0;
  if (!raw_value(s, e, &v)) {
    *applies = false;
    return false;
  }
  switch (s.kind) {
  case kxlv_selkind::kNetobj:
    for (size_t i = 0; i + 1 < s.compiled.size(); i += 2)
      if ((v & s.compiled[i + 1]) == s.compiled[i]) return true;
    return false;
  case kxlv_selkind::kRange:
  case kxlv_selkind::kDate:
  case kxlv_selkind::kTime: return s.compiled.size() == 2 && s.compiled[0] <= v && v <= s.compiled[1];
  default:
    for (uint32_t c : s.compiled)
      if (c == v) return true;
    return false;
  }
}

} // namespace

bool kxlv_selist::cmp_selected(const kxlv_entry &e, const kxlv_test_ctx &ctx) const {
  for (const kxlv_selection &s : sels_) {
    if (s.count < 0 || s.kind == kxlv_selkind::kUser || s.kind == kxlv_selkind::kPattern) continue;
    bool applies = true;
    const bool match = quick_match(s, e, ctx, &applies);
    if (applies && match != s.in) return false;
  }
  return true;
}

namespace {

// Full test of one selection: 1 match, 0 no match, -1 the entry has no
// value for the column (the null-match rule decides).
int full_match(const kxlv_selection &s, const kxlv_entry &e, const kxlv_test_ctx &ctx) {
  const auto values = values_of(s.list.get());
  switch (s.kind) {
  case kxlv_selkind::kRange:
  case kxlv_selkind::kDate:
  case kxlv_selkind::kTime: {
    uint32_t v = 0, lo = 0, hi = 0;
    if (!raw_value(s, e, &v)) return -1;
    if (!range_of(s, &lo, &hi)) return 0;
    return lo <= v && v <= hi;
  }
  case kxlv_selkind::kNetobj: {
    uint32_t v = 0;
    if (!raw_value(s, e, &v)) return -1;
    for (const kxset *o : values) {
      uint32_t a = 0, m = 0;
      if (address_of(o, &a, &m) ? (v & m) == a
                                : kxlv_address_member(is(o->getname(), "any") ? o : kxlv_object_of(o, "netobj", ctx.objects),
                                                 v, ctx.objects, 0))
        return 1;
    }
    return 0;
  }
  case kxlv_selkind::kIfs: {
    const std::string name = ctx.hosts ? ctx.hosts->ifname(e.header.origin, e.header.ifindex()) : "";
    const std::string dir = e.header.inbound() ? "in" : "out";
    for (const kxset *o : values) {
      const std::string text = o->getname();
      const size_t dot = text.rfind('.');
      if (dot == std::string::npos) continue;
      const std::string n = text.substr(0, dot), d = text.substr(dot + 1);
      // A suffix other than "in" or "out" means either direction, as in the
      // quick test: the two tests must agree or nothing would pass.
      const bool any_dir = d != "in" && d != "out";
      if ((n == name || n == "all" || n.empty()) && (d == dir || any_dir)) return 1;
    }
    return 0;
  }
  case kxlv_selkind::kType:
  case kxlv_selkind::kAction: {
    // Control entries have no action to compare; their type is always known.
    if (s.kind == kxlv_selkind::kAction && e.action_text() == "ctl") return -1;
    const std::string shown = s.kind == kxlv_selkind::kType ? e.type_name() : e.action_text();
    for (const kxset *o : values)
      if (is(shown, o->getname())) return 1;
    return 0;
  }
  case kxlv_selkind::kPattern: {
    const char *p = text_at(s.list.get(), "pattern");
    static const std::vector<kxlv_column> kNone;
    const std::string info =
        kxlv_column_text(e, "Info", *ctx.hosts, ctx.columns ? *ctx.columns : kNone);
    return p && kxlv_pattern_contains(info, p);
  }
  case kxlv_selkind::kService:
  case kxlv_selkind::kProto:
  case kxlv_selkind::kUser: {
    const int i = e.field_index(s.column);
    if (i < 0) return -1;
    const std::string text = e.field_text(size_t(i));
    const uint32_t word = e.words[size_t(i)];
    for (const kxset *o : values) {
      const std::string name = o->getname();
      if (is(name, "any") || is(text, name.c_str()))
        return 1;
      if (s.kind == kxlv_selkind::kProto && proto_number(name) == int(word)) return 1;
      if (s.kind == kxlv_selkind::kService && name == std::to_string(word)) return 1;
      if (s.kind == kxlv_selkind::kService && ctx.objects && *ctx.objects &&
          kxlv_service_member((*ctx.objects)("servobj", name), text, word, ctx.objects, 0))
        return 1;
    }
    return 0;
  }
  }
  return 0;
}

} // namespace

bool kxlv_selist::selected(const kxlv_entry &e, const kxlv_test_ctx &given) const {
  kxlv_test_ctx ctx = given;
  if (!ctx.objects) ctx.objects = &objects_;
  for (const kxlv_selection &s : sels_) {
    const int m = full_match(s, e, ctx);
    if (m < 0) {
      if (!ctx.show_null_match) return false;
      continue;
    }
    if ((m == 1) != s.in) return false;
  }
  return true;
}
