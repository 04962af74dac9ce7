// Log records: the 16-byte header, the filter identity and the special data
// layouts. Every multi-byte field is big-endian in a file and on the wire; in
// memory the header holds host-order numbers and the data stays as the bytes
// that travel, read word by word through be32().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t LOG_SYNC_WORD = 0x434E5953; // "CNYS"
constexpr size_t LOG_HEADER_SIZE = 16;
constexpr size_t LOG_SYNC_SIZE = 64;         // data bytes of a sync record
constexpr size_t LOG_MAX_READ = 32768;       // longest record data a reader takes
constexpr size_t LOG_MAX_EXPORT = 8192;      // longest record data a writer sends
constexpr size_t LOG_IFLIST_LONG = 244;      // 12 x (16-byte name, index)
constexpr size_t LOG_IFLIST_SHORT = 196;     // 16 x (8-byte name, index)
constexpr int LOG_MAX_IFINDEX = 16;          // interface slots per host
constexpr uint32_t LOG_NO_ACTION = 0xFFFFFF; // last word of a record without action

enum log_type : uint16_t { LOG_TYPE_LOG = 1, LOG_TYPE_IFNAME = 2, LOG_TYPE_SYNC = 3 };
enum log_format_code : uint8_t {
  LOG_FMT_SYSTEM = 252,
  LOG_FMT_INFO = 253,
  LOG_FMT_RESET = 254,
  LOG_FMT_DOMAIN = 255
};
enum log_action_code { LOG_ACT_DROP = 0, LOG_ACT_REJECT = 1, LOG_ACT_ACCEPT = 2 };
enum logsys_code { LOGSYS_START = 0, LOGSYS_STOP = 1, LOGSYS_SENDING = 3 };

// Inline: every data word of every record passes through here.
inline uint32_t be32(const uint8_t *p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
void put_be32(uint8_t *p, uint32_t v);

// The record header. `origin` is the IPv4 address as a host-order number
// (192.0.2.1 is 0xC0000201).
struct kxlogrec {
  uint16_t type = LOG_TYPE_LOG;
  uint16_t length = 0; // data bytes after the header
  uint32_t origin = 0;
  uint32_t time = 0;
  uint8_t format = 0;
  uint8_t actif = 0; // bits 7-6 action, bits 5-0 interface index
  uint8_t direction = 0;
  uint8_t fid = 0;

  int action() const { return actif >> 6; }
  int ifindex() const { return actif & 0x3f; }
  bool inbound() const { return direction == 0; }
  void set_action_if(int action, int ifindex) {
    actif = static_cast<uint8_t>(((action & 3) << 6) | (ifindex & 0x3f));
  }
};

void kxlogrec2x(const kxlogrec &h, uint8_t out[LOG_HEADER_SIZE]);
kxlogrec x2kxlogrec(const uint8_t in[LOG_HEADER_SIZE]);

// Identity of a compiled filter: 48 bytes kept as they travel. Only the
// last eight bytes (host id and filter id) select format tables.
struct kxid_t {
  uint8_t raw[48] = {};

  std::string name() const;
  uint32_t made() const { return be32(raw + 32); }
  uint64_t key() const;
  static kxid_t make(const std::string &name, uint32_t time, uint32_t hostid, uint32_t filterid);
};

// -1 when fewer than 48 bytes remain.
int x2kxid(const uint8_t *in, size_t remaining, kxid_t *out);
int kxid2x(const kxid_t &id, uint8_t *out, size_t remaining);

// The log-info layout: identity, the two text lengths, then the texts.
struct kxlogdom {
  kxid_t id;
  std::string format_text;
  std::string domain_text;
};
// -1 when the data is shorter than 56 bytes plus both texts (an
// uninstallation announcement).
int x2kxlogdom(const uint8_t *in, size_t remaining, kxlogdom *out);
std::vector<uint8_t> kxlogdom2x(const kxlogdom &dom);

// One interface entry of an interface list.
struct kxif {
  std::string name;
  uint32_t index = 0;
};
// The entries of an interface list record (244 or 196 bytes); false for any
// other size. Only the first `count` entries are returned.
bool x2kxif_list(const uint8_t *data, size_t length, std::vector<kxif> *out);
// A 244-byte (long names) or 196-byte interface list of at most 12 or 16 entries.
std::vector<uint8_t> kxif_list2x(const std::vector<kxif> &ifs, bool long_names = true);

// Data of the special records.
std::vector<uint8_t> log_sync_data();
std::vector<uint8_t> logsys_data(uint32_t code, const std::string &text);
// The code and text of a log-system record's data.
bool x2logsys(const uint8_t *data, size_t length, uint32_t *code, std::string *text);
// "started logging %s" and friends; empty for an unknown code.
std::string logsys_sprintf(uint32_t code, const std::string &text);

// "log", "ifname", "sync" or "type-%x"; "log-system" ... or "form-%x".
std::string log_typename(int type);
std::string log_formatname(int format);
