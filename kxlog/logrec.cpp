#include "kxlog/logrec.h"

#include "kxu/report.h"

#include <algorithm>
#include <cstring>

void put_be32(uint8_t *p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

void kxlogrec2x(const kxlogrec &h, uint8_t out[LOG_HEADER_SIZE]) {
  out[0] = uint8_t(h.type >> 8);
  out[1] = uint8_t(h.type);
  out[2] = uint8_t(h.length >> 8);
  out[3] = uint8_t(h.length);
  put_be32(out + 4, h.origin);
  put_be32(out + 8, h.time);
  out[12] = h.format;
  out[13] = h.actif;
  out[14] = h.direction;
  out[15] = h.fid;
}

kxlogrec x2kxlogrec(const uint8_t in[LOG_HEADER_SIZE]) {
  kxlogrec h;
  h.type = uint16_t(in[0] << 8 | in[1]);
  h.length = uint16_t(in[2] << 8 | in[3]);
  h.origin = be32(in + 4);
  h.time = be32(in + 8);
  h.format = in[12];
  h.actif = in[13];
  h.direction = in[14];
  h.fid = in[15];
  return h;
}

std::string kxid_t::name() const {
  const char *p = reinterpret_cast<const char *>(raw);
  return std::string(p, strnlen(p, 32));
}

uint64_t kxid_t::key() const { return uint64_t(be32(raw + 40)) << 32 | be32(raw + 44); }

kxid_t kxid_t::make(const std::string &name, uint32_t time, uint32_t hostid, uint32_t filterid) {
  kxid_t id;
  std::memcpy(id.raw, name.data(), std::min<size_t>(name.size(), 31));
  put_be32(id.raw + 32, time);
  put_be32(id.raw + 40, hostid);
  put_be32(id.raw + 44, filterid);
  uint8_t check = 0;
  for (int i = 40; i < 48; ++i) check ^= id.raw[i];
  id.raw[36] = check ? check : 1;
  return id;
}

int x2kxid(const uint8_t *in, size_t remaining, kxid_t *out) {
  if (remaining < sizeof out->raw) return -1;
  std::memcpy(out->raw, in, sizeof out->raw);
  return 0;
}

int kxid2x(const kxid_t &id, uint8_t *out, size_t remaining) {
  if (remaining < sizeof id.raw) return -1;
  std::memcpy(out, id.raw, sizeof id.raw);
  return 0;
}

int x2kxlogdom(const uint8_t *in, size_t remaining, kxlogdom *out) {
  if (remaining < 56 || x2kxid(in, remaining, &out->id) < 0) return -1;
  const uint64_t f = be32(in + 48), d = be32(in + 52);
  if (56 + f + d > remaining) return -1; // 64-bit sum: no wrap-around
  out->format_text.assign(reinterpret_cast<const char *>(in + 56), f);
  out->domain_text.assign(reinterpret_cast<const char *>(in + 56 + f), d);
  return 0;
}

std::vector<uint8_t> kxlogdom2x(const kxlogdom &dom) {
  const size_t n = 56 + dom.format_text.size() + dom.domain_text.size();
  std::vector<uint8_t> out((n + 3) & ~size_t(3), 0);
  kxid2x(dom.id, out.data(), out.size());
  put_be32(out.data() + 48, uint32_t(dom.format_text.size()));
  put_be32(out.data() + 52, uint32_t(dom.domain_text.size()));
  std::copy(dom.format_text.begin(), dom.format_text.end(), out.begin() + 56);
  std::copy(dom.domain_text.begin(), dom.domain_text.end(),
            out.begin() + 56 + long(dom.format_text.size()));
  return out;
}

namespace {
struct IfLayout {
  size_t entries, name_size;
};
IfLayout if_layout(bool long_names) { return long_names ? IfLayout{12, 16} : IfLayout{16, 8}; }
} // namespace

bool x2kxif_list(const uint8_t *data, size_t length, std::vector<kxif> *out) {
  if (length != LOG_IFLIST_LONG && length != LOG_IFLIST_SHORT) return false;
  const IfLayout l = if_layout(length == LOG_IFLIST_LONG);
  const size_t count = std::min<size_t>(be32(data), l.entries);
  out->clear();
  for (size_t i = 0; i < count; ++i) {
    const uint8_t *e = data + 4 + i * (l.name_size + 4);
    const char *name = reinterpret_cast<const char *>(e);
    out->push_back({std::string(name, strnlen(name, l.name_size)), be32(e + l.name_size)});
  }
  return true;
}

std::vector<uint8_t> kxif_list2x(const std::vector<kxif> &ifs, bool long_names) {
  const IfLayout l = if_layout(long_names);
  std::vector<uint8_t> out(long_names ? LOG_IFLIST_LONG : LOG_IFLIST_SHORT, 0);
  const size_t count = std::min(ifs.size(), l.entries);
  put_be32(out.data(), uint32_t(count));
  for (size_t i = 0; i < count; ++i) {
    uint8_t *e = out.data() + 4 + i * (l.name_size + 4);
    std::memcpy(e, ifs[i].name.data(), std::min(ifs[i].name.size(), l.name_size));
    put_be32(e + l.name_size, ifs[i].index);
  }
  return out;
}

std::vector<uint8_t> log_sync_data() {
  std::vector<uint8_t> out(LOG_SYNC_SIZE);
  for (uint32_t i = 0; i < 8; ++i) {
    put_be32(out.data() + 8 * i, LOG_SYNC_WORD);
    put_be32(out.data() + 8 * i + 4, 56 - 8 * i);
  }
  return out;
}

std::vector<uint8_t> logsys_data(uint32_t code, const std::string &text) {
  std::vector<uint8_t> out((4 + text.size() + 1 + 3) & ~size_t(3), 0);
  put_be32(out.data(), code);
  std::copy(text.begin(), text.end(), out.begin() + 4);
  return out;
}

bool x2logsys(const uint8_t *data, size_t length, uint32_t *code, std::string *text) {
  if (length < 4) return false;
  *code = be32(data);
  const char *p = reinterpret_cast<const char *>(data + 4);
  text->assign(p, strnlen(p, length - 4));
  return true;
}

std::string logsys_sprintf(uint32_t code, const std::string &text) {
  switch (code) {
  case LOGSYS_START: return "started logging " + text;
  case LOGSYS_STOP: return "stopped logging " + text;
  case LOGSYS_SENDING: return "started sending log to " + text;
  default: return "";
  }
}

std::string log_typename(int type) {
  switch (type) {
  case LOG_TYPE_LOG: return "log";
  case LOG_TYPE_IFNAME: return "ifname";
  case LOG_TYPE_SYNC: return "sync";
  default: return kxu::format("type-%x", type);
  }
}

std::string log_formatname(int format) {
  switch (format) {
  case LOG_FMT_SYSTEM: return "log-system";
  case LOG_FMT_INFO: return "log-info";
  case LOG_FMT_RESET: return "filter-reset";
  case LOG_FMT_DOMAIN: return "domain";
  default: return kxu::format("form-%x", format);
  }
}
