#include "nftbatch.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <libmnl/libmnl.h>
#include <libnftnl/chain.h>
#include <libnftnl/common.h>
#include <libnftnl/expr.h>
#include <libnftnl/object.h>
#include <libnftnl/rule.h>
#include <libnftnl/set.h>
#include <libnftnl/table.h>
#include <linux/netfilter.h>
#include <linux/netfilter/nf_conntrack_common.h>
#include <linux/netfilter/nf_log.h>
#include <linux/netfilter/nf_tables.h>
#include <linux/netfilter/nfnetlink.h>
#include <charconv>
#include <map>
#include <string_view>
#include <memory>
#include <sys/socket.h>

namespace kxnft {

namespace {

const char *const kTable = "kx";

// Data types of set keys and data, as nft numbers them (a concatenation
// packs its fields' types 6 bits each).
constexpr uint32_t kTypeIpv4 = 7, kTypeProto = 12, kTypeService = 13, kTypeMark = 19;

template <class T, void (*Free)(const T *)> struct Deleter {
  void operator()(T *p) const { Free(p); }
};
using SetPtr = std::unique_ptr<nftnl_set, Deleter<nftnl_set, nftnl_set_free>>;
using RulePtr = std::unique_ptr<nftnl_rule, Deleter<nftnl_rule, nftnl_rule_free>>;

// Words of a line; a quoted string is one word (without its quotes), and
// the parentheses around a masked field are dropped.
std::vector<std::string> words(const std::string &line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '(' || line[i] == ')') {
      ++i;
    } else if (line[i] == '"') {
      size_t end = line.find('"', i + 1);
      if (end == std::string::npos)
        end = line.size();
      out.push_back(line.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      size_t end = line.find_first_of(" \t()", i);
      if (end == std::string::npos)
        end = line.size();
      out.push_back(line.substr(i, end - i));
      i = end;
    }
  }
  return out;
}

bool number(std::string_view s, uint32_t &out) {
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out, base);
  return !s.empty() && ec == std::errc() && end == s.data() + s.size();
}

bool address(std::string_view s, uint32_t &network_order) {
  char text[INET_ADDRSTRLEN];
  if (s.empty() || s.size() >= sizeof text)
    return false;
  memcpy(text, s.data(), s.size());
  text[s.size()] = 0;
  in_addr a{};
  if (inet_pton(AF_INET, text, &a) != 1)
    return false;
  network_order = a.s_addr;
  return true;
}

// The bytes of a value of a field's type (at most 4); 0 when not one.
size_t value_bytes(uint32_t type, std::string_view text, uint8_t *out) {
  uint32_t v = 0;
  if (type == kTypeIpv4) {
    if (!address(text, v))
      return 0;
    memcpy(out, &v, 4);
    return 4;
  }
  if (type == kTypeProto) {
    if (text == "tcp")
      v = IPPROTO_TCP;
    else if (text == "udp")
      v = IPPROTO_UDP;
    else if (!number(text, v) || v > 255)
      return 0;
    out[0] = uint8_t(v);
    return 1;
  }
  if (type == kTypeService) {
    if (!number(text, v) || v > 65535)
      return 0;
    out[0] = uint8_t(v >> 8);
    out[1] = uint8_t(v);
    return 2;
  }
  if (type == kTypeMark && number(text, v)) {
    memcpy(out, &v, 4); // host order
    return 4;
  }
  return 0;
}

// The next word of `text` from `at` (spaces between); a quoted string is
// one word, without its quotes. Empty at the end.
std::string_view next_word(std::string_view text, size_t &at) {
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
    ++at;
  if (at >= text.size())
    return {};
  size_t start = at;
  if (text[at] == '"') {
    size_t end = text.find('"', at + 1);
    if (end == std::string_view::npos)
      end = text.size();
    at = end + 1;
    return text.substr(start + 1, end - start - 1);
  }
  while (at < text.size() && text[at] != ' ' && text[at] != '\t')
    ++at;
  return text.substr(start, at - start);
}

// Names of tables, chains, sets and objects: what nf_tables takes.
bool name_ok(std::string_view s) { return !s.empty() && s.size() < NFT_NAME_MAXLEN; }

struct SetDef {
  std::string name;
  std::vector<uint32_t> key; // field types
  enum class Data { none, mark, verdict, counter } data = Data::none;
  uint32_t size = 0, id = 0;
  std::string elements;
};

struct ChainDef {
  std::string name;
  bool base = false;
  uint32_t hook = 0;
  int32_t priority = 0;
  std::vector<std::string> rules;
};

struct Ruleset {
  std::vector<std::string> counters;
  std::vector<SetDef> sets;
  std::vector<ChainDef> chains;
};

bool field_type(const std::string &t, uint32_t &out) {
  static const std::map<std::string, uint32_t> types{
      {"ipv4_addr", kTypeIpv4}, {"inet_proto", kTypeProto}, {"inet_service", kTypeService}, {"mark", kTypeMark}};
  auto it = types.find(t);
  if (it == types.end())
    return false;
  out = it->second;
  return true;
}

// "type A . B : D"
bool set_type(const std::vector<std::string> &w, SetDef &s) {
  size_t i = 1;
  for (;;) {
    uint32_t t = 0;
    if (i >= w.size() || !field_type(w[i], t) || (t == kTypeMark && !s.key.empty()))
      return false;
    s.key.push_back(t);
    if (++i < w.size() && w[i] == ".") {
      ++i;
      continue;
    }
    break;
  }
  if (s.key.size() > 4)
    return false;
  if (i == w.size())
    return true;
  if (i + 2 != w.size() || w[i] != ":")
    return false;
  const std::string &d = w[i + 1];
  s.data = d == "mark" ? SetDef::Data::mark : d == "verdict" ? SetDef::Data::verdict
                                          : d == "counter" ? SetDef::Data::counter
                                                           : SetDef::Data::none;
  return s.data != SetDef::Data::none;
}

// "type filter hook H priority filter[ + N]; policy drop;"
bool base_chain(const std::string &line, ChainDef &c) {
  static const std::map<std::string, uint32_t> hooks{
      {"input", NF_INET_LOCAL_IN}, {"forward", NF_INET_FORWARD}, {"output", NF_INET_LOCAL_OUT}};
  auto w = words(line);
  if (w.size() < 8 || w[0] != "type" || w[1] != "filter" || w[2] != "hook" || !hooks.count(w[3]) ||
      w[4] != "priority")
    return false;
  c.base = true;
  c.hook = hooks.at(w[3]);
  size_t i = 6;
  if (w[5] == "filter;") {
    c.priority = 0;
  } else if (w[5] == "filter" && w[6] == "+") {
    uint32_t n = 0;
    std::string v = w[7];
    if (v.empty() || v.back() != ';' || !number(v.substr(0, v.size() - 1), n) || n > 1000)
      return false;
    c.priority = int32_t(n);
    i = 8;
  } else {
    return false;
  }
  return i + 2 == w.size() && w[i] == "policy" && w[i + 1] == "drop;";
}

// The table's parts, or false where a line is not of the known forms.
bool read_ruleset(const std::string &text, Ruleset &r, std::string &why) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos)
      end = text.size();
    std::string l = text.substr(at, end - at);
    size_t first = l.find_first_not_of(" \t");
    if (first != std::string::npos && l[first] != '#')
      lines.push_back(l.substr(first));
    at = end + 1;
  }
  size_t i = 0;
  auto fail = [&](const std::string &what) {
    why = what + (i < lines.size() ? ": " + lines[i].substr(0, 80) : "");
    return false;
  };
  if (lines.empty() || lines[0] != "table inet kx {")
    return fail("not the table inet kx");
  uint32_t next_id = 1;
  for (i = 1; i < lines.size(); ++i) {
    auto w = words(lines[i]);
    if (w.size() == 1 && w[0] == "}")
      return i + 1 == lines.size() ? true : (++i, fail("text after the table"));
    if (w.size() != 3 || w[2] != "{" || !name_ok(w[1]))
      return fail("not a definition");
    if (w[0] == "counter") {
      if (++i >= lines.size() || lines[i] != "}")
        return fail("a counter with contents");
      r.counters.push_back(w[1]);
    } else if (w[0] == "set" || w[0] == "map") {
      SetDef s;
      s.name = w[1];
      s.id = next_id++;
      for (++i; i < lines.size() && lines[i] != "}"; ++i) {
        auto a = words(lines[i]);
        if (a.size() >= 2 && a[0] == "type" && s.key.empty()) {
          if (!set_type(a, s) || (s.data != SetDef::Data::none) != (w[0] == "map"))
            return fail("a set type");
        } else if (a.size() == 2 && a[0] == "size") {
          if (!number(a[1], s.size) || s.size == 0)
            return fail("a set size");
        } else if (lines[i].rfind("elements = { ", 0) == 0) {
          s.elements = lines[i].substr(13);
          while (s.elements.size() < 2 || s.elements.compare(s.elements.size() - 2, 2, " }") != 0) {
            if (++i >= lines.size())
              return fail("elements without an end");
            s.elements += " " + lines[i];
          }
          s.elements.resize(s.elements.size() - 2);
        } else {
          return fail("a set attribute");
        }
      }
      if (s.key.empty())
        return fail("a set without a type");
      r.sets.push_back(std::move(s));
    } else if (w[0] == "chain") {
      ChainDef c;
      c.name = w[1];
      for (++i; i < lines.size() && lines[i] != "}"; ++i) {
        if (lines[i].rfind("type ", 0) == 0) {
          if (c.base || !c.rules.empty() || !base_chain(lines[i], c))
            return fail("a chain's hook");
        } else {
          c.rules.push_back(lines[i]);
        }
      }
      r.chains.push_back(std::move(c));
    } else {
      return fail("not a definition");
    }
  }
  return fail("a table without an end");
}

// The batch being written: a buffer of netlink messages.
class Writer {
public:
  // `expected`: about the size of the batch (its text's, say), so that the
  // buffer seldom grows.
  explicit Writer(size_t expected) { buffer_.resize(expected + kRoom); }

  // Room for one message at the end (libnftnl writes without bounds).
  char *next() {
    if (buffer_.size() - used_ < kRoom)
      buffer_.resize(std::max(buffer_.size() * 2, used_ + kRoom));
    return buffer_.data() + used_;
  }
  nlmsghdr *header(uint16_t type, uint16_t flags) {
    return nftnl_nlmsg_build_hdr(next(), type, NFPROTO_INET, flags, seq_++);
  }
  void done(const nlmsghdr *h) { used_ += NLMSG_ALIGN(h->nlmsg_len); }
  void begin() { done(nftnl_batch_begin(next(), seq_++)); }
  void end() { done(nftnl_batch_end(next(), seq_++)); }
  std::vector<char> take() {
    buffer_.resize(used_);
    return std::move(buffer_);
  }

private:
  static constexpr size_t kRoom = 1 << 17; // more than one element message (its list is under 64 KiB)
  std::vector<char> buffer_;
  size_t used_ = 0;
  uint32_t seq_ = 1;
};

void table_message(Writer &out, uint16_t type, uint16_t flags) {
  nftnl_table *t = nftnl_table_alloc();
  nftnl_table_set_str(t, NFTNL_TABLE_NAME, kTable);
  nlmsghdr *h = out.header(type, flags);
  nftnl_table_nlmsg_build_payload(h, t);
  out.done(h);
  nftnl_table_free(t);
}

void counter_message(Writer &out, const std::string &name) {
  nftnl_obj *o = nftnl_obj_alloc();
  nftnl_obj_set_str(o, NFTNL_OBJ_TABLE, kTable);
  nftnl_obj_set_str(o, NFTNL_OBJ_NAME, name.c_str());
  nftnl_obj_set_u32(o, NFTNL_OBJ_TYPE, NFT_OBJECT_COUNTER);
  nlmsghdr *h = out.header(NFT_MSG_NEWOBJ, NLM_F_CREATE);
  nftnl_obj_nlmsg_build_payload(h, o);
  out.done(h);
  nftnl_obj_free(o);
}

void chain_message(Writer &out, const ChainDef &c) {
  nftnl_chain *ch = nftnl_chain_alloc();
  nftnl_chain_set_str(ch, NFTNL_CHAIN_TABLE, kTable);
  nftnl_chain_set_str(ch, NFTNL_CHAIN_NAME, c.name.c_str());
  if (c.base) {
    nftnl_chain_set_str(ch, NFTNL_CHAIN_TYPE, "filter");
    nftnl_chain_set_u32(ch, NFTNL_CHAIN_HOOKNUM, c.hook);
    nftnl_chain_set_s32(ch, NFTNL_CHAIN_PRIO, c.priority);
    nftnl_chain_set_u32(ch, NFTNL_CHAIN_POLICY, NF_DROP);
  }
  nlmsghdr *h = out.header(NFT_MSG_NEWCHAIN, NLM_F_CREATE);
  nftnl_chain_nlmsg_build_payload(h, ch);
  out.done(h);
  nftnl_chain_free(ch);
}

// One element of a set (key, and data for a map) as a list entry.
bool put_element(nlmsghdr *h, const SetDef &s, std::string_view text) {
  size_t at = 0;
  // The key: its fields one after another, each padded to 32 bits.
  uint8_t key[16] = {};
  size_t len = 0;
  for (size_t f = 0; f < s.key.size(); ++f) {
    if (f > 0 && next_word(text, at) != ".")
      return false;
    size_t n = value_bytes(s.key[f], next_word(text, at), key + len);
    if (n == 0)
      return false;
    len += s.key.size() == 1 ? n : 4;
  }
  nlattr *element = mnl_attr_nest_start(h, NFTA_LIST_ELEM);
  nlattr *k = mnl_attr_nest_start(h, NFTA_SET_ELEM_KEY);
  mnl_attr_put(h, NFTA_DATA_VALUE, len, key);
  mnl_attr_nest_end(h, k);
  std::string_view colon = next_word(text, at), v = next_word(text, at), chain = next_word(text, at);
  if (s.data == SetDef::Data::none) {
    if (!colon.empty())
      return false;
  } else if (colon != ":" || v.empty() || !next_word(text, at).empty()) {
    return false;
  } else if (s.data == SetDef::Data::mark) {
    uint32_t mark = 0;
    if (!number(v, mark) || !chain.empty())
      return false;
    nlattr *d = mnl_attr_nest_start(h, NFTA_SET_ELEM_DATA);
    mnl_attr_put(h, NFTA_DATA_VALUE, 4, &mark);
    mnl_attr_nest_end(h, d);
  } else if (s.data == SetDef::Data::counter) {
    if (!chain.empty() || v.size() >= NFT_OBJ_MAXNAMELEN)
      return false;
    char name[NFT_OBJ_MAXNAMELEN];
    memcpy(name, v.data(), v.size());
    name[v.size()] = 0;
    mnl_attr_put_strz(h, NFTA_SET_ELEM_OBJREF, name);
  } else {
    bool plain = v == "accept" || v == "drop", to_chain = v == "jump" || v == "goto";
    if (!(plain && chain.empty()) && !(to_chain && !chain.empty() && chain.size() < NFT_CHAIN_MAXNAMELEN))
      return false;
    uint32_t code = v == "accept" ? NF_ACCEPT : v == "drop" ? NF_DROP : v == "jump" ? uint32_t(NFT_JUMP) : uint32_t(NFT_GOTO);
    nlattr *d = mnl_attr_nest_start(h, NFTA_SET_ELEM_DATA);
    nlattr *verdict = mnl_attr_nest_start(h, NFTA_DATA_VERDICT);
    mnl_attr_put_u32(h, NFTA_VERDICT_CODE, htonl(code));
    if (to_chain) {
      char name[NFT_CHAIN_MAXNAMELEN];
      memcpy(name, chain.data(), chain.size());
      name[chain.size()] = 0;
      mnl_attr_put_strz(h, NFTA_VERDICT_CHAIN, name);
    }
    mnl_attr_nest_end(h, verdict);
    mnl_attr_nest_end(h, d);
  }
  mnl_attr_nest_end(h, element);
  return true;
}

// The elements in messages of their own, each list well under the 64 KiB
// a netlink attribute can hold.
bool element_messages(Writer &out, const SetDef &s, std::string &why) {
  std::string_view text = s.elements;
  for (size_t at = 0; at < text.size();) {
    nlmsghdr *h = out.header(NFT_MSG_NEWSETELEM, NLM_F_CREATE);
    mnl_attr_put_strz(h, NFTA_SET_ELEM_LIST_TABLE, kTable);
    mnl_attr_put_strz(h, NFTA_SET_ELEM_LIST_SET, s.name.c_str());
    mnl_attr_put_u32(h, NFTA_SET_ELEM_LIST_SET_ID, htonl(s.id));
    nlattr *list = mnl_attr_nest_start(h, NFTA_SET_ELEM_LIST_ELEMENTS);
    size_t start = h->nlmsg_len;
    while (at < text.size() && h->nlmsg_len - start < 60000) {
      size_t end = std::min(text.find(',', at), text.size());
      if (!put_element(h, s, text.substr(at, end - at))) {
        why = "an element of " + s.name + ": " + std::string(text.substr(at, std::min<size_t>(end - at, 80)));
        return false;
      }
      at = end + 1;
    }
    mnl_attr_nest_end(h, list);
    out.done(h);
  }
  return true;
}

// What nft notes in a set's user data, so that it lists the set as it
// would one of its own: the byte order of keys and data (0 for a
// concatenation, 1 host, 2 network), and for concatenations and maps the
// further notes it writes.
std::vector<uint8_t> set_notes(const SetDef &s) {
  std::vector<uint8_t> out;
  auto put = [&out](uint8_t type, uint32_t v) {
    out.insert(out.end(), {type, 4});
    out.resize(out.size() + 4);
    memcpy(out.data() + out.size() - 4, &v, 4);
  };
  bool concat = s.key.size() > 1;
  put(0, concat ? 0 : s.key[0] == kTypeMark ? 1 : 2);
  if (s.data == SetDef::Data::mark || s.data == SetDef::Data::verdict)
    put(1, s.data == SetDef::Data::mark ? 1 : 0);
  if (concat)
    out.insert(out.end(), {3, 8, 0, 4, 13, 0, 0, 0, 1, 0});
  if (s.data != SetDef::Data::none)
    put(6, 0);
  return out;
}

bool set_messages(Writer &out, const SetDef &s, std::string &why) {
  SetPtr set(nftnl_set_alloc());
  nftnl_set *p = set.get();
  nftnl_set_set_str(p, NFTNL_SET_TABLE, kTable);
  nftnl_set_set_str(p, NFTNL_SET_NAME, s.name.c_str());
  nftnl_set_set_u32(p, NFTNL_SET_FAMILY, NFPROTO_INET);
  nftnl_set_set_u32(p, NFTNL_SET_ID, s.id);
  uint32_t key_type = 0, key_len = 0;
  for (uint32_t t : s.key) {
    key_type = key_type << 6 | t;
    uint32_t natural = t == kTypeProto ? 1 : t == kTypeService ? 2 : 4;
    key_len += s.key.size() == 1 ? natural : 4;
  }
  nftnl_set_set_u32(p, NFTNL_SET_KEY_TYPE, key_type);
  nftnl_set_set_u32(p, NFTNL_SET_KEY_LEN, key_len);
  if (s.size)
    nftnl_set_set_u32(p, NFTNL_SET_DESC_SIZE, s.size);
  uint32_t flags = 0;
  if (s.data == SetDef::Data::mark || s.data == SetDef::Data::verdict) {
    flags = NFT_SET_MAP;
    nftnl_set_set_u32(p, NFTNL_SET_DATA_TYPE, s.data == SetDef::Data::mark ? kTypeMark : uint32_t(NFT_DATA_VERDICT));
    nftnl_set_set_u32(p, NFTNL_SET_DATA_LEN, s.data == SetDef::Data::mark ? 4 : 0);
  } else if (s.data == SetDef::Data::counter) {
    flags = NFT_SET_OBJECT;
    nftnl_set_set_u32(p, NFTNL_SET_OBJ_TYPE, NFT_OBJECT_COUNTER);
  }
  nftnl_set_set_u32(p, NFTNL_SET_FLAGS, flags);
  auto notes = set_notes(s);
  nftnl_set_set_data(p, NFTNL_SET_USERDATA, notes.data(), uint32_t(notes.size()));
  nlmsghdr *h = out.header(NFT_MSG_NEWSET, NLM_F_CREATE);
  nftnl_set_nlmsg_build_payload(h, p);
  out.done(h);
  return element_messages(out, s, why);
}

// One rule's expressions from its words.
class RuleReader {
public:
  RuleReader(nftnl_rule *r, const std::map<std::string, uint32_t> &set_ids) : rule_(r), ids_(set_ids) {}

  bool read(const std::vector<std::string> &w) {
    w_ = &w;
    at_ = 0;
    while (at_ < w.size())
      if (!statement())
        return false;
    return true;
  }

private:
  const std::string &word(size_t k = 0) const {
    static const std::string none;
    return at_ + k < w_->size() ? (*w_)[at_ + k] : none;
  }
  bool take(const char *s) {
    if (word() != s)
      return false;
    ++at_;
    return true;
  }
  nftnl_expr *add(const char *name) {
    nftnl_expr *e = nftnl_expr_alloc(name);
    nftnl_rule_add_expr(rule_, e);
    return e;
  }
  void meta_load(uint32_t key, uint32_t reg) {
    nftnl_expr *e = add("meta");
    nftnl_expr_set_u32(e, NFTNL_EXPR_META_KEY, key);
    nftnl_expr_set_u32(e, NFTNL_EXPR_META_DREG, reg);
  }
  void cmp(uint32_t reg, uint32_t op, const void *data, uint32_t len) {
    nftnl_expr *e = add("cmp");
    nftnl_expr_set_u32(e, NFTNL_EXPR_CMP_SREG, reg);
    nftnl_expr_set_u32(e, NFTNL_EXPR_CMP_OP, op);
    nftnl_expr_set(e, NFTNL_EXPR_CMP_DATA, data, len);
  }
  void bitwise(uint32_t reg, const void *mask, uint32_t len) {
    uint8_t zero[4] = {};
    nftnl_expr *e = add("bitwise");
    nftnl_expr_set_u32(e, NFTNL_EXPR_BITWISE_SREG, reg);
    nftnl_expr_set_u32(e, NFTNL_EXPR_BITWISE_DREG, reg);
    nftnl_expr_set_u32(e, NFTNL_EXPR_BITWISE_LEN, len);
    nftnl_expr_set(e, NFTNL_EXPR_BITWISE_MASK, mask, len);
    nftnl_expr_set(e, NFTNL_EXPR_BITWISE_XOR, zero, len);
  }
  void immediate_data(uint32_t reg, uint32_t value) {
    nftnl_expr *e = add("immediate");
    nftnl_expr_set_u32(e, NFTNL_EXPR_IMM_DREG, reg);
    nftnl_expr_set(e, NFTNL_EXPR_IMM_DATA, &value, 4);
  }
  void meta_set_mark(uint32_t reg) {
    nftnl_expr *e = add("meta");
    nftnl_expr_set_u32(e, NFTNL_EXPR_META_KEY, NFT_META_MARK);
    nftnl_expr_set_u32(e, NFTNL_EXPR_META_SREG, reg);
  }
  bool lookup(uint32_t dreg, bool has_dreg) {
    const std::string &name = word();
    if (name.size() < 2 || name[0] != '@' || !ids_.count(name.substr(1)))
      return false;
    nftnl_expr *e = add("lookup");
    nftnl_expr_set_u32(e, NFTNL_EXPR_LOOKUP_SREG, NFT_REG_1);
    if (has_dreg)
      nftnl_expr_set_u32(e, NFTNL_EXPR_LOOKUP_DREG, dreg);
    nftnl_expr_set_str(e, NFTNL_EXPR_LOOKUP_SET, name.c_str() + 1);
    nftnl_expr_set_u32(e, NFTNL_EXPR_LOOKUP_SET_ID, ids_.at(name.substr(1)));
    ++at_;
    return true;
  }

  // A key of fields joined by ".", each loaded into its 32-bit register
  // from the first on, a field followed by "& MASK" masked.
  bool key() {
    uint32_t offset = 0;
    do {
      uint32_t reg = offset == 0 ? uint32_t(NFT_REG_1) : uint32_t(NFT_REG32_00) + offset / 4, len = 4;
      if (word() == "ip" && (word(1) == "saddr" || word(1) == "daddr")) {
        if (!ipv4_dependency_) {
          uint8_t v4 = NFPROTO_IPV4;
          meta_load(NFT_META_NFPROTO, NFT_REG_1);
          cmp(NFT_REG_1, NFT_CMP_EQ, &v4, 1);
          ipv4_dependency_ = true;
        }
        payload(NFT_PAYLOAD_NETWORK_HEADER, word(1) == "saddr" ? 12 : 16, 4, reg);
      } else if (word() == "th" && word(1) == "dport") {
        payload(NFT_PAYLOAD_TRANSPORT_HEADER, 2, 2, reg);
        len = 2;
      } else if (word() == "meta" && word(1) == "l4proto") {
        meta_load(NFT_META_L4PROTO, reg);
        len = 1;
      } else if (word() == "meta" && word(1) == "mark") {
        meta_load(NFT_META_MARK, reg);
      } else {
        return false;
      }
      at_ += 2;
      if (take("&")) {
        uint8_t mask[4] = {};
        if (len == 1 || value_bytes(len == 4 ? kTypeIpv4 : kTypeService, word(), mask) != len)
          return false;
        bitwise(reg, mask, len);
        ++at_;
      }
      offset += 4;
    } while (take(".") && offset < 16);
    return true;
  }
  void payload(uint32_t base, uint32_t offset, uint32_t len, uint32_t reg) {
    nftnl_expr *e = add("payload");
    nftnl_expr_set_u32(e, NFTNL_EXPR_PAYLOAD_BASE, base);
    nftnl_expr_set_u32(e, NFTNL_EXPR_PAYLOAD_OFFSET, offset);
    nftnl_expr_set_u32(e, NFTNL_EXPR_PAYLOAD_LEN, len);
    nftnl_expr_set_u32(e, NFTNL_EXPR_PAYLOAD_DREG, reg);
  }
  void verdict(uint32_t code, const std::string &chain = "") {
    nftnl_expr *e = add("immediate");
    nftnl_expr_set_u32(e, NFTNL_EXPR_IMM_DREG, NFT_REG_VERDICT);
    nftnl_expr_set_u32(e, NFTNL_EXPR_IMM_VERDICT, code);
    if (!chain.empty())
      nftnl_expr_set_str(e, NFTNL_EXPR_IMM_CHAIN, chain.c_str());
  }

  bool statement() {
    if (take("accept")) {
      verdict(NF_ACCEPT);
    } else if (take("drop")) {
      verdict(NF_DROP);
    } else if (take("return")) {
      verdict(NFT_RETURN);
    } else if (word() == "jump" || word() == "goto") {
      bool jump = word() == "jump";
      if (!name_ok(word(1)))
        return false;
      verdict(jump ? NFT_JUMP : NFT_GOTO, word(1));
      at_ += 2;
    } else if (take("reject")) {
      if (!take("with") || !take("icmpx") || !take("type") || !take("admin-prohibited"))
        return false;
      nftnl_expr *e = add("reject");
      nftnl_expr_set_u32(e, NFTNL_EXPR_REJECT_TYPE, NFT_REJECT_ICMPX_UNREACH);
      nftnl_expr_set_u8(e, NFTNL_EXPR_REJECT_CODE, NFT_REJECT_ICMPX_ADMIN_PROHIBITED);
    } else if (take("log")) {
      uint32_t group = 0;
      if (!take("prefix") || word().empty())
        return false;
      std::string prefix = word();
      if (prefix.size() >= NF_LOG_PREFIXLEN)
        return false;
      ++at_;
      if (!take("group") || !number(word(), group) || group > 65535)
        return false;
      ++at_;
      nftnl_expr *e = add("log");
      nftnl_expr_set_str(e, NFTNL_EXPR_LOG_PREFIX, prefix.c_str());
      nftnl_expr_set_u16(e, NFTNL_EXPR_LOG_GROUP, uint16_t(group));
    } else if (take("counter")) {
      if (!take("name"))
        return false;
      if (word() == "meta") { // counter name meta mark map @n
        if (!key() || !take("map"))
          return false;
        const std::string &name = word();
        if (name.size() < 2 || name[0] != '@' || !ids_.count(name.substr(1)))
          return false;
        nftnl_expr *e = add("objref");
        nftnl_expr_set_u32(e, NFTNL_EXPR_OBJREF_SET_SREG, NFT_REG_1);
        nftnl_expr_set_str(e, NFTNL_EXPR_OBJREF_SET_NAME, name.c_str() + 1);
        nftnl_expr_set_u32(e, NFTNL_EXPR_OBJREF_SET_ID, ids_.at(name.substr(1)));
        ++at_;
      } else {
        if (!name_ok(word()))
          return false;
        nftnl_expr *e = add("objref");
        nftnl_expr_set_u32(e, NFTNL_EXPR_OBJREF_IMM_TYPE, NFT_OBJECT_COUNTER);
        nftnl_expr_set_str(e, NFTNL_EXPR_OBJREF_IMM_NAME, word().c_str());
        ++at_;
      }
    } else if (word() == "ct" && word(1) == "state" && word(2) == "established,related") {
      at_ += 3;
      nftnl_expr *e = add("ct");
      nftnl_expr_set_u32(e, NFTNL_EXPR_CT_KEY, NFT_CT_STATE);
      nftnl_expr_set_u32(e, NFTNL_EXPR_CT_DREG, NFT_REG_1);
      uint32_t mask = NF_CT_STATE_BIT(IP_CT_ESTABLISHED) | NF_CT_STATE_BIT(IP_CT_RELATED), zero = 0;
      bitwise(NFT_REG_1, &mask, 4);
      cmp(NFT_REG_1, NFT_CMP_NEQ, &zero, 4);
    } else if (word() == "meta" && word(1) == "mark" && word(2) == "set") {
      at_ += 3;
      uint32_t v = 0;
      if (number(word(), v)) { // a constant
        ++at_;
        immediate_data(NFT_REG_1, v);
      } else { // a key's value in a map
        if (!key() || !take("map") || !lookup(NFT_REG_1, true))
          return false;
      }
      meta_set_mark(NFT_REG_1);
    } else if (word() == "meta" && word(1) == "mark" && word(2) == ">") {
      uint32_t v = 0;
      if (!number(word(3), v))
        return false;
      at_ += 4;
      meta_load(NFT_META_MARK, NFT_REG_1);
      nftnl_expr *e = add("byteorder");
      nftnl_expr_set_u32(e, NFTNL_EXPR_BYTEORDER_SREG, NFT_REG_1);
      nftnl_expr_set_u32(e, NFTNL_EXPR_BYTEORDER_DREG, NFT_REG_1);
      nftnl_expr_set_u32(e, NFTNL_EXPR_BYTEORDER_OP, NFT_BYTEORDER_HTON);
      nftnl_expr_set_u32(e, NFTNL_EXPR_BYTEORDER_LEN, 4);
      nftnl_expr_set_u32(e, NFTNL_EXPR_BYTEORDER_SIZE, 4);
      uint32_t be = htonl(v);
      cmp(NFT_REG_1, NFT_CMP_GT, &be, 4);
    } else { // a key in a set, or a verdict map
      if (!key())
        return false;
      if (take("vmap"))
        return lookup(NFT_REG_VERDICT, true);
      return lookup(0, false);
    }
    return true;
  }

  nftnl_rule *rule_;
  const std::map<std::string, uint32_t> &ids_;
  const std::vector<std::string> *w_ = nullptr;
  size_t at_ = 0;
  bool ipv4_dependency_ = false;
};

bool rule_message(Writer &out, const std::string &chain, const std::string &line,
                  const std::map<std::string, uint32_t> &ids) {
  RulePtr rule(nftnl_rule_alloc());
  nftnl_rule_set_str(rule.get(), NFTNL_RULE_TABLE, kTable);
  nftnl_rule_set_str(rule.get(), NFTNL_RULE_CHAIN, chain.c_str());
  nftnl_rule_set_u32(rule.get(), NFTNL_RULE_FAMILY, NFPROTO_INET);
  auto w = words(line);
  if (w.size() > 64 || !RuleReader(rule.get(), ids).read(w)) // ours have about 20 words
    return false;
  nlmsghdr *h = out.header(NFT_MSG_NEWRULE, NLM_F_CREATE | NLM_F_APPEND);
  nftnl_rule_nlmsg_build_payload(h, rule.get());
  out.done(h);
  return true;
}

} // namespace

bool replace_batch(const std::string &ruleset, bool table_exists, std::vector<char> &batch, std::string &why) {
  Ruleset r;
  if (!read_ruleset(ruleset, r, why))
    return false;
  Writer out(ruleset.size());
  out.begin();
  // The old table goes first, when there is one (deleting a table costs
  // the kernel a wait for its readers later).
  if (table_exists)
    table_message(out, NFT_MSG_DELTABLE, 0);
  table_message(out, NFT_MSG_NEWTABLE, NLM_F_CREATE | NLM_F_EXCL);
  // What rules and elements name comes first: counters, chains, sets.
  for (const auto &c : r.counters)
    counter_message(out, c);
  for (const auto &c : r.chains)
    chain_message(out, c);
  std::map<std::string, uint32_t> ids;
  for (const auto &s : r.sets) {
    ids[s.name] = s.id;
    if (!set_messages(out, s, why))
      return false;
  }
  for (const auto &c : r.chains)
    for (const auto &line : c.rules)
      if (!rule_message(out, c.name, line, ids)) {
        why = "a statement: " + line.substr(0, 80);
        return false;
      }
  out.end();
  batch = out.take();
  return true;
}

namespace {

using Socket = std::unique_ptr<mnl_socket, int (*)(mnl_socket *)>;

// The netlink socket of this process's loads, kept open: closing one after
// a transaction that deleted a table waits for the kernel to release it.
mnl_socket *nf_socket(std::string &err) {
  static Socket nl(nullptr, mnl_socket_close);
  if (nl)
    return nl.get();
  Socket fresh(mnl_socket_open2(NETLINK_NETFILTER, SOCK_CLOEXEC), mnl_socket_close);
  if (!fresh || mnl_socket_bind(fresh.get(), 0, MNL_SOCKET_AUTOPID) < 0) {
    err = std::string("cannot open netlink: ") + strerror(errno);
    return nullptr;
  }
  // Errors come back without the messages they answer, so that even many
  // fit the socket's buffer.
  int one = 1;
  mnl_socket_setsockopt(fresh.get(), NETLINK_CAP_ACK, &one, sizeof one);
  nl = std::move(fresh);
  return nl.get();
}

// Reads the replies to what was sent: until the kernel's answer to `seq`
// (an error message, 0 for done) when waiting, else those there are (the
// kernel has answered a batch when its send returns, and it answers only
// what it refuses); `found` is set when it sent a table.
bool read_replies(mnl_socket *nl, uint32_t seq, bool wait, bool &found, int &error) {
  std::vector<char> reply(MNL_SOCKET_BUFFER_SIZE);
  int fd = mnl_socket_get_fd(nl);
  for (;;) {
    ssize_t got = recv(fd, reply.data(), reply.size(), wait ? 0 : MSG_DONTWAIT);
    if (got < 0 && errno == ENOBUFS) { // replies were lost: errors, as only errors are answered
      error = error ? error : -ENOBUFS;
      continue;
    }
    if (got <= 0)
      return !wait;
    int n = int(got);
    for (auto *h = reinterpret_cast<nlmsghdr *>(reply.data()); mnl_nlmsg_ok(h, n); h = mnl_nlmsg_next(h, &n)) {
      if (h->nlmsg_type == ((NFNL_SUBSYS_NFTABLES << 8) | NFT_MSG_NEWTABLE))
        found = true;
      if (h->nlmsg_type != NLMSG_ERROR)
        continue;
      int e = static_cast<nlmsgerr *>(mnl_nlmsg_get_payload(h))->error;
      if (e != 0 && error == 0)
        error = e;
      if (wait && h->nlmsg_seq == seq)
        return true;
    }
  }
}

} // namespace

bool table_in_force(bool &exists, std::string &err) {
  mnl_socket *nl = nf_socket(err);
  if (!nl)
    return false;
  char buf[512];
  nftnl_table *t = nftnl_table_alloc();
  nftnl_table_set_str(t, NFTNL_TABLE_NAME, kTable);
  nlmsghdr *h = nftnl_nlmsg_build_hdr(buf, NFT_MSG_GETTABLE, NFPROTO_INET, NLM_F_ACK, 1);
  nftnl_table_nlmsg_build_payload(h, t);
  nftnl_table_free(t);
  int error = 0;
  exists = false;
  if (mnl_socket_sendto(nl, h, h->nlmsg_len) < 0 || !read_replies(nl, 1, true, exists, error) ||
      (error != 0 && error != -ENOENT)) {
    err = std::string("cannot ask for the table: ") + strerror(error ? -error : errno);
    return false;
  }
  return true;
}

bool send_batch(const std::vector<char> &batch, std::string &err) {
  mnl_socket *nl = nf_socket(err);
  if (!nl)
    return false;
  // The whole batch goes in one message (the kernel takes a transaction
  // from one buffer); the socket's buffer must hold it.
  int fd = mnl_socket_get_fd(nl);
  int size = int(batch.size() + 65536);
  if (setsockopt(fd, SOL_SOCKET, SO_SNDBUFFORCE, &size, sizeof size) != 0)
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
  if (mnl_socket_sendto(nl, batch.data(), batch.size()) < 0) {
    err = std::string("cannot send the ruleset: ") + strerror(errno);
    return false;
  }
  // The kernel has gone through the batch when the send returns; what it
  // refused waits as error messages.
  bool found = false;
  int error = 0;
  read_replies(nl, 0, false, found, error);
  if (error != 0)
    err = std::string("the kernel refused the ruleset: ") + strerror(-error);
  return error == 0;
}

} // namespace kxnft
