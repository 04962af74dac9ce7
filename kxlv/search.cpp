#include "kxlv/search.h"

#include "kxlv/match.h"

#include "kxlog/logbad.h"
#include "kxlog/logtypes.h"
#include "kxu/report.h"

#include <charconv>
#include <strings.h>

namespace {

// The fields searched besides origin, interface and Info, in text order.
const char *const kFields[] = {"service", "src", "dst", "proto", "user", "s_port", "rule"};

bool is_all(const std::string &column) { return column.empty() || !strcasecmp(column.c_str(), "All Fields"); }

// The longest text a "string" field prints whole (longer ones are reported).
constexpr size_t kMaxStringWords = 1024;

} // namespace

void kxlv_search_text(std::string &out, const kxlv_entry &e, const std::string &column, const LogHosts &hosts,
                      const std::vector<kxlv_column> &columns) {
  const bool all = is_all(column);
  const auto want = [&](const char *c) { return all || !strcasecmp(column.c_str(), c); };
  if (want("orig")) out += kxlv_column_text(e, "Orig", hosts, columns) + " ";
  if (want("I/F")) out += hosts.ifname(e.header.origin, e.header.ifindex()) + " ";
  for (const char *f : kFields) {
    if (!want(f)) continue;
    const int i = e.field_index(f);
    if (i >= 0) out += e.field_text(size_t(i)) + " ";
  }
  if (want("info")) out += kxlv_column_text(e, "Info", hosts, columns) + " ";
  if (kxdebug) kx_trace("Built: %s", out.c_str());
}

kxlv_search_matcher::kxlv_search_matcher(const std::string &pattern, const std::string &column,
                                         const LogHosts &hosts, const std::vector<kxlv_column> &columns)
    : pattern_(pattern), column_(column), hosts_(hosts), columns_(columns), ports_(1024), addrs_(4096), origins_(64),
      ifnames_(256) {
  // The pattern's text when it has no wildcard; "\x" stands for x, and a
  // backslash at the end for itself.
  literal_ = true;
  for (size_t i = 0; i < pattern.size() && literal_; ++i) {
    char c = pattern[i];
    if (c == '\\') {
      if (i + 1 < pattern.size()) c = pattern[++i];
    } else if (c == '*' || c == '?') {
      literal_ = false;
    }
    needle_ += c;
  }
  if (needle_.empty() || needle_.find_first_of(" \t") != std::string::npos) literal_ = false;

  const bool all = is_all(column);
  const auto want = [&](const char *c) { return all || !strcasecmp(column.c_str(), c); };
  want_orig_ = want("orig");
  want_if_ = want("I/F");
  want_info_ = want("info");
  for (size_t l = 0; l < kLabels; ++l) want_label_[l] = want(kFields[l]);

  const auto only = [&](std::string_view alphabet) {
    return needle_.find_first_not_of(alphabet) == std::string::npos;
  };
  int_ok_ = only("-0123456789");
  uint_ok_ = only("0123456789");
  hex_ok_ = only("0123456789abcdef");
  addr_ok_ = only("0123456789.");
  hosts_version_ = hosts.version();
}

const kxlv_search_matcher::Plan &kxlv_search_matcher::plan(const log_fmt *format) {
  // Formats live as long as the stream that read them, so their addresses
  // name them for the whole search.
  auto &recent = recent_plans_[(reinterpret_cast<uintptr_t>(format) >> 4) & (recent_plans_.size() - 1)];
  if (recent.first == format) return *recent.second;
  auto [it, made] = plans_.try_emplace(format);
  if (made) make_plan(it->second, *format);
  recent = {format, &it->second};
  return it->second;
}

bool kxlv_search_matcher::may_hold(Kind kind) const {
  switch (kind) {
  case Kind::kInt: return int_ok_;
  case Kind::kUint: return uint_ok_;
  case Kind::kHex: return hex_ok_;
  case Kind::kAddr: return addr_ok_;
  default: return true;
  }
}

void kxlv_search_matcher::make_plan(Plan &p, const log_fmt &format) {
  const std::vector<log_field> &fields = format.fields;
  p.kinds.resize(fields.size(), Kind::kOther);
  for (size_t i = 0; i < fields.size(); ++i) {
    const std::string &t = fields[i].type;
    if (t == "proto" && p.proto_field < 0) p.proto_field = int(i);
    if (!t.empty() && t[0] == '%') continue; // printf conversions print as the log prints them
    if (t == "int") p.kinds[i] = Kind::kInt;
    else if (t == "uint") p.kinds[i] = Kind::kUint;
    else if (t == "hex" || t.empty()) p.kinds[i] = Kind::kHex;
    else if (t == "ipaddr" && !kxformat_resolve_addresses) p.kinds[i] = Kind::kAddr;
    else if (t == "port" || t == "service") p.kinds[i] = Kind::kPort;
    else if (t == "proto") p.kinds[i] = Kind::kProto;
    else if (t == "string") p.kinds[i] = Kind::kString;
  }
  for (size_t l = 0; l < kLabels; ++l) {
    if (!want_label_[l]) continue;
    for (size_t i = 0; i < fields.size(); ++i)
      if (!strcasecmp(fields[i].label.c_str(), kFields[l])) p.labelled[l].push_back(i);
  }
  if (want_info_) {
    for (size_t i = 0; i < fields.size(); ++i) {
      const std::string &label = fields[i].label;
      if (strcasecmp(label.c_str(), "Info") != 0 && kxlv_col_colof(columns_, label) != columns_.size()) continue;
      p.info.push_back(i);
      p.info_label_hit.push_back(has(label));
    }
  }
  std::vector<bool> tested(fields.size());
  const auto test = [&](size_t i) {
    if (!tested[i] && may_hold(p.kinds[i])) p.full.push_back(i);
    tested[i] = true;
  };
  for (const std::vector<size_t> &candidates : p.labelled)
    if (!candidates.empty()) test(candidates.back());
  for (size_t k = 0; k < p.info.size(); ++k) {
    if (p.info_label_hit[k]) p.full_label_hit = true;
    test(p.info[k]);
  }
}

bool kxlv_search_matcher::matches(const kxlv_entry &e) {
  if (!literal_ || !e.format || !e.message.empty()) {
    text_.clear();
    kxlv_search_text(text_, e, column_, hosts_, columns_);
    return literal_ ? has(text_) : kxlv_pattern_contains(text_, pattern_);
  }
  return (want_orig_ && orig_hit(e)) || (want_if_ && ifname_hit(e)) || fields_hit(e);
}

namespace {
// The slot of `key` in a direct-mapped table of a power-of-two size.
template <class T> T &slot_of(std::vector<T> &table, uint64_t key) {
  return table[(key * 0x9E3779B97F4A7C15ull >> 32) & (table.size() - 1)];
}
constexpr uint64_t kInUse = uint64_t(1) << 63;
} // namespace

bool kxlv_search_matcher::orig_hit(const kxlv_entry &e) {
  const uint64_t key = kInUse | e.header.origin;
  Slot &s = slot_of(origins_, key);
  if (s.key != key) s = {key, has(kxlv_column_text(e, "Orig", hosts_, columns_))};
  return s.hit;
}

bool kxlv_search_matcher::ifname_hit(const kxlv_entry &e) {
  if (hosts_.version() != hosts_version_) {
    // New interface names: what was learnt from the old ones no longer holds.
    std::fill(ifnames_.begin(), ifnames_.end(), Slot{});
    hosts_version_ = hosts_.version();
  }
  const uint64_t key = kInUse | uint64_t(e.header.ifindex()) << 32 | e.header.origin;
  Slot &s = slot_of(ifnames_, key);
  if (s.key != key) s = {key, has(hosts_.ifname(e.header.origin, e.header.ifindex()))};
  return s.hit;
}

bool kxlv_search_matcher::fields_hit(const kxlv_entry &e) {
  const Plan &p = plan(e.format);
  const size_t n = std::min(e.format->fields.size(), e.words.size());
  if (n == e.format->fields.size()) {
    if (p.full_label_hit) return true;
    for (size_t i : p.full)
      if (field_hit(e, p, i)) return true;
    return false;
  }
  // A record short of words: only the fields it has count.
  for (size_t l = 0; l < kLabels; ++l) {
    // The last field of the label that the record has a word for.
    const std::vector<size_t> &candidates = p.labelled[l];
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
      if (*it >= n) continue;
      if (field_hit(e, p, *it)) return true;
      break;
    }
  }
  for (size_t k = 0; k < p.info.size() && p.info[k] < n; ++k)
    if (p.info_label_hit[k] || field_hit(e, p, p.info[k])) return true;
  return false;
}

bool kxlv_search_matcher::text_hit(const kxlv_entry &e, size_t i) {
  text_.clear();
  log_field_text(text_, *e.format, i, e.words.data(), e.words.size());
  return has(text_);
}

bool kxlv_search_matcher::field_hit(const kxlv_entry &e, const Plan &p, size_t i) {
  const uint32_t w = e.words[i];
  char buf[16];
  switch (p.kinds[i]) {
  case Kind::kInt: {
    if (!int_ok_) return false;
    const auto r = std::to_chars(buf, buf + sizeof buf, int32_t(w));
    return has({buf, size_t(r.ptr - buf)});
  }
  case Kind::kUint: {
    if (!uint_ok_) return false;
    const auto r = std::to_chars(buf, buf + sizeof buf, w);
    return has({buf, size_t(r.ptr - buf)});
  }
  case Kind::kHex: {
    if (!hex_ok_) return false;
    const auto r = std::to_chars(buf, buf + sizeof buf, w, 16);
    return has({buf, size_t(r.ptr - buf)});
  }
  case Kind::kAddr: return addr_ok_ && addr_hit(w);
  case Kind::kProto: return proto_hit(w);
  case Kind::kPort: return port_hit(e, p, i);
  case Kind::kString: return string_hit(e, i);
  case Kind::kOther: break;
  }
  return text_hit(e, i);
}

// Out of line: its buffer would make every field test set up a large frame.
bool kxlv_search_matcher::string_hit(const kxlv_entry &e, size_t i) {
  const uint32_t w = e.words[i];
  const size_t offset = w >> 16;
  size_t length = w & 0xffff;
  if (length >= kMaxStringWords) return text_hit(e, i); // reported as the log reports it
  if (offset >= e.words.size()) return false;
  length = std::min(length, e.words.size() - offset);
  char chars[4 * kMaxStringWords];
  size_t used = 0;
  for (size_t k = 0; k < length; ++k) {
    const uint32_t v = e.words[offset + k];
    for (int shift = 24; shift >= 0; shift -= 8) {
      const char ch = char((v >> shift) & 255);
      if (ch == '\0') return has({chars, used});
      chars[used++] = ch;
    }
  }
  return has({chars, used});
}

bool kxlv_search_matcher::proto_hit(uint32_t word) {
  int8_t &known = proto_[word & 255];
  if (known == 0) {
    log_fmt one;
    one.fields.push_back({"", "proto"});
    text_.clear();
    log_field_text(text_, one, 0, &word, 1);
    known = has(text_) ? 2 : 1;
  }
  return known == 2;
}

bool kxlv_search_matcher::addr_hit(uint32_t word) {
  const uint64_t key = kInUse | word;
  Slot &s = slot_of(addrs_, key);
  if (s.key != key) {
    text_.clear();
    log_append_addr(text_, word);
    s = {key, has(text_)};
  }
  return s.hit;
}

bool kxlv_search_matcher::port_hit(const kxlv_entry &e, const Plan &p, size_t i) {
  // A port prints by the record's protocol, when the format has one and the
  // record its word.
  const uint32_t port = e.words[i];
  size_t proto = 256;
  if (p.proto_field >= 0 && size_t(p.proto_field) < e.words.size()) proto = e.words[size_t(p.proto_field)] & 255;
  if (port < 65536) {
    std::vector<int8_t> &table = port_tables_[proto];
    if (table.empty()) table.resize(65536);
    int8_t &known = table[port];
    if (known == 0) known = text_hit(e, i) ? 2 : 1;
    return known == 2;
  }
  const uint64_t key = kInUse | uint64_t(proto) << 32 | port;
  Slot &s = slot_of(ports_, key);
  if (s.key != key) s = {key, text_hit(e, i)};
  return s.hit;
}
