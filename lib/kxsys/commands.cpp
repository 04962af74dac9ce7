#include "kxsys/commands.h"

namespace kxsys {

std::string kx_command_name(uint32_t number) {
  switch (number) {
  case KXC_STAT: return "stat";
  case KXC_ESCAPE: return "escape";
  case KXC_TAB_STAT: return "tab_stat";
  case KXC_GET_TAB_NAME: return "get_tab_name";
  case KXC_GET_LOGDOM: return "get_logdom";
  case KXC_DB_DOWNLOAD: return "db_download";
  case KXC_LOAD: return "load";
  case KXC_FETCH: return "fetch";
  case KXC_UNLOAD: return "unload";
  default: return "";
  }
}

uint32_t kx_command_word(uint32_t number) {
  switch (number) {
  case KXC_STAT: return KXW_STAT;
  case KXC_ESCAPE: return KXW_ESCAPE;
  case KXC_TAB_STAT: return KXW_TAB_STAT;
  case KXC_GET_TAB_NAME: return KXW_GET_TAB_NAME;
  case KXC_GET_LOGDOM: return KXW_GET_LOGDOM;
  case KXC_DB_DOWNLOAD: return KXW_DB_DOWNLOAD;
  case KXC_LOAD: return KXW_LOAD;
  case KXC_FETCH: return KXW_FETCH;
  case KXC_UNLOAD: return KXW_UNLOAD;
  default: return 0;
  }
}

Bytes kxlogdom_pack(const kxlogdom_t &d) {
  Bytes b(kKxidSize + 8 + d.logformat.size() + d.domains.size());
  kxid_pack(d.id, b.data());
  put_be32(b.data() + 48, uint32_t(d.logformat.size()));
  put_be32(b.data() + 52, uint32_t(d.domains.size()));
  std::copy(d.logformat.begin(), d.logformat.end(), b.begin() + 56);
  std::copy(d.domains.begin(), d.domains.end(), b.begin() + 56 + long(d.logformat.size()));
  return b;
}

std::optional<kxlogdom_t> kxlogdom_unpack(const Bytes &b) {
  if (b.size() < 56)
    return std::nullopt;
  kxlogdom_t d;
  d.id = kxid_unpack(b.data());
  uint64_t a = get_be32(b.data() + 48), c = get_be32(b.data() + 52);
  if (56 + a + c > b.size())
    return std::nullopt;
  d.logformat.assign(b.begin() + 56, b.begin() + 56 + long(a));
  d.domains.assign(b.begin() + 56 + long(a), b.begin() + 56 + long(a + c));
  return d;
}

} // namespace kxsys
