#include "kxlog/logtypes.h"

#include "kxlog/logbad.h"
#include "kxu/report.h"
#include "kxu/sym.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cstring>
#include <string_view>
#include <strings.h>

bool kxformat_resolve_addresses = false;

namespace {

constexpr size_t kMaxStringWords = 1024;

void type_int(std::string &out, const log_field_ctx &c) { out += std::to_string(int32_t(c.word)); }
void type_uint(std::string &out, const log_field_ctx &c) { out += std::to_string(c.word); }
void type_hex(std::string &out, const log_field_ctx &c) { out += kxu::format("%x", c.word); }

void type_ipaddr(std::string &out, const log_field_ctx &c) {
  if (kxformat_resolve_addresses) {
    if (auto name = sym_name(long(htonl(c.word)), SYM_HOSTS)) out += *name;
    return;
  }
  log_append_addr(out, c.word);
}

void type_proto(std::string &out, const log_field_ctx &c) {
  const long p = c.word & 255;
  if (auto name = sym_name(p, SYM_PROTO)) out += *name;
  else out += std::to_string(p);
}

// The word of the format's first "proto" field, when the record has it.
bool record_protocol(const log_field_ctx &c, long *proto) {
  for (size_t i = 0; i < c.format->fields.size(); ++i) {
    if (c.format->fields[i].type != "proto") continue;
    if (i >= c.nwords) return false;
    *proto = c.words[i] & 255;
    return true;
  }
  return false;
}

void type_port(std::string &out, const log_field_ctx &c) {
  const long port = long(c.word);
  long proto = 0;
  if (record_protocol(c, &proto)) {
    if (auto pname = sym_name(proto, SYM_PROTO)) {
      const int t = sym_type_byname(pname->c_str());
      if (t >= 0)
        if (auto name = sym_name(port, sym_type(t))) { out += *name; return; }
    }
  }
  if (auto name = sym_name(port, SYM_SERVICES)) out += *name;
  else out += std::to_string(c.word);
}

// A text inside the record: high 16 bits the offset, low 16 the length, in
// words. Only words the record holds are read.
void type_string(std::string &out, const log_field_ctx &c) {
  const size_t offset = c.word >> 16;
  size_t length = c.word & 0xffff;
  if (length >= kMaxStringWords) {
    error(0, 0, "fstring: log string length %zu >= %zu, truncated", length * 4,
          kMaxStringWords * 4);
    length = kMaxStringWords - 1;
  }
  if (offset >= c.nwords) return;
  length = std::min(length, c.nwords - offset);
  for (size_t i = 0; i < length; ++i) {
    const uint32_t w = c.words[offset + i];
    for (int shift = 24; shift >= 0; shift -= 8) {
      const char ch = char((w >> shift) & 255);
      if (ch == '\0') return;
      out += ch;
    }
  }
}

struct NamedType {
  const char *name;
  log_type_fn fn;
};
const NamedType kTypes[] = {
    {"int", type_int},       {"uint", type_uint},   {"hex", type_hex},
    {"", type_hex},          {"ipaddr", type_ipaddr}, {"port", type_port},
    {"service", type_port},  {"proto", type_proto}, {"string", type_string},
};

struct ActionRow {
  const char *name;
  int code;
};
const ActionRow kActions[] = {{"ctl", -253},  {"ctl", -252},   {"reset", -254}, {"drop", 0},
                              {"reject", 1},  {"accept", 2},   {"default", 0}};

// A printf conversion with exactly one conversion of a 32-bit integer; any
// other text is refused so that a format text cannot make us read arguments
// that are not there.
bool safe_int_conversion(const std::string &spec) {
  auto one_of = [](char c, std::string_view set) { return c != '\0' && set.find(c) != set.npos; };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (spec.size() < 2 || spec.size() > 32 || spec[0] != '%') return false;
  // Width and precision of at most two digits: a format text from a log
  // file must not make one field allocate without bound.
  auto small_number = [&](size_t &i) {
    size_t start = i;
    while (i < spec.size() && digit(spec[i])) ++i;
    return i - start <= 2;
  };
  size_t i = 1;
  while (i < spec.size() && one_of(spec[i], "-+ #0")) ++i;
  if (!small_number(i)) return false;
  if (i < spec.size() && spec[i] == '.') {
    ++i;
    if (!small_number(i)) return false;
  }
  if (i >= spec.size() || !one_of(spec[i], "diouxXc")) return false;
  // Nothing after the conversion but plain text.
  return spec.find_first_of(std::string_view("%\0", 2), i) == std::string::npos;
}

} // namespace

log_type_fn findtype(const std::string &name) {
  for (const NamedType &t : kTypes)
    if (name == t.name) return t.fn;
  return nullptr;
}

void log_field_text(std::string &out, const log_fmt &format, size_t i, const uint32_t *words,
                    size_t nwords) {
  const log_field &field = format.fields[i];
  const log_field_ctx ctx{words[i], &format, words, nwords};
  if (!field.type.empty() && field.type[0] == '%') {
    if (safe_int_conversion(field.type)) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
      out += kxu::format(field.type.c_str(), ctx.word);
#pragma GCC diagnostic pop
    } else {
      out += kxu::format("[%s] %x", field.type.c_str(), ctx.word);
    }
    return;
  }
  if (log_type_fn fn = findtype(field.type)) fn(out, ctx);
  else out += kxu::format("[%s] %x", field.type.c_str(), ctx.word);
}

int ifactioncode(const char *name) {
  for (const ActionRow &r : kActions)
    if (strcasecmp(name, r.name) == 0) return r.code < 0 ? -r.code : r.code;
  return -1;
}

std::string ifaction(int action, int format) {
  for (const ActionRow &r : kActions)
    // Only the control rows carry a negated format number: format 0 must not
    // name every record "drop".
    if (r.code == action || (r.code < 0 && r.code == -format)) return r.name;
  return kxu::format("act%d", action);
}
