#include "kxsys/records.h"

#include <cstring>

namespace kxsys {

std::string kxid_t::name_str() const { return fixed_str(name); }
void kxid_t::set_name(const std::string &n) { set_fixed(name, n); }
std::string kxinfo_t::ifname_str() const { return fixed_str(ifname); }
std::string kxinfo_t::filter_str() const { return fixed_str(filter); }
std::string kxtab_t::name_str() const { return fixed_str(name); }

void kxid_pack(const kxid_t &id, uint8_t *out) {
  memcpy(out, id.name.data(), 32);
  put_be32(out + 32, uint32_t(id.time));
  out[36] = id.check;
  memcpy(out + 37, id.pad.data(), 3);
  put_be32(out + 40, uint32_t(id.hostid));
  put_be32(out + 44, uint32_t(id.filterid));
}

kxid_t kxid_unpack(const uint8_t *in) {
  kxid_t id;
  memcpy(id.name.data(), in, 32);
  id.time = int32_t(get_be32(in + 32));
  id.check = in[36];
  memcpy(id.pad.data(), in + 37, 3);
  id.hostid = int32_t(get_be32(in + 40));
  id.filterid = int32_t(get_be32(in + 44));
  return id;
}

void kxinfo_pack(const kxinfo_t &i, uint8_t *out) {
  memcpy(out, i.ifname.data(), 16);
  put_be32(out + 16, uint32_t(i.direction));
  memcpy(out + 20, i.filter.data(), 32);
  put_be32(out + 52, uint32_t(i.loadtime));
  memcpy(out + 56, i.raw.data(), 4);
  const int32_t words[] = {i.counter1, i.counter2, i.npacket, i.naccept, i.nreject, i.ndrop, i.nlog};
  for (size_t k = 0; k < 7; ++k)
    put_be32(out + 60 + 4 * k, uint32_t(words[k]));
}

kxinfo_t kxinfo_unpack(const uint8_t *in) {
  kxinfo_t i;
  memcpy(i.ifname.data(), in, 16);
  i.direction = int32_t(get_be32(in + 16));
  memcpy(i.filter.data(), in + 20, 32);
  i.loadtime = int32_t(get_be32(in + 52));
  memcpy(i.raw.data(), in + 56, 4);
  int32_t *words[] = {&i.counter1, &i.counter2, &i.npacket, &i.naccept, &i.nreject, &i.ndrop, &i.nlog};
  for (size_t k = 0; k < 7; ++k)
    *words[k] = int32_t(get_be32(in + 60 + 4 * k));
  return i;
}

void kxtab_pack_header(const kxtab_t &t, uint8_t *out) {
  memcpy(out, t.name.data(), 32);
  put_be32(out + 32, uint32_t(t.kind));
  put_be32(out + 36, uint32_t(t.id));
  memcpy(out + 40, t.format.data(), 32);
  put_be32(out + 72, uint32_t(t.width));
  put_be32(out + 76, uint32_t(t.nattr));
  for (size_t a = 0; a < 4; ++a)
    for (size_t w = 0; w < 3; ++w)
      put_be32(out + 80 + 12 * a + 4 * w, uint32_t(t.attr[a][w]));
  put_be32(out + 128, uint32_t(t.unused));
  put_be32(out + 132, uint32_t(t.nentries));
  memcpy(out + 136, t.ptr.data(), 4);
}

void kxtab_unpack_header(const uint8_t *in, kxtab_t &t) {
  memcpy(t.name.data(), in, 32);
  t.kind = int32_t(get_be32(in + 32));
  t.id = int32_t(get_be32(in + 36));
  memcpy(t.format.data(), in + 40, 32);
  t.width = int32_t(get_be32(in + 72));
  t.nattr = int32_t(get_be32(in + 76));
  for (size_t a = 0; a < 4; ++a)
    for (size_t w = 0; w < 3; ++w)
      t.attr[a][w] = int32_t(get_be32(in + 80 + 12 * a + 4 * w));
  t.unused = int32_t(get_be32(in + 128));
  t.nentries = int32_t(get_be32(in + 132));
  memcpy(t.ptr.data(), in + 136, 4);
}

const kxloadx_entry *kxloadx_t::find(const std::string &n) const {
  for (const auto &e : entries)
    if (e.name == n)
      return &e;
  return nullptr;
}

} // namespace kxsys
