// Records of the management protocol and their wire layouts.
#pragma once

#include "kxsys/comm.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kxsys {

// Identity of a compiled filter; 48 bytes on the wire.
struct kxid_t {
  std::array<char, 32> name{};  // NUL-padded
  int32_t time = 0;
  uint8_t check = 0;
  std::array<uint8_t, 3> pad{};
  int32_t hostid = 0;
  int32_t filterid = 0;

  std::string name_str() const;
  void set_name(const std::string &n);
  bool operator==(const kxid_t &) const = default;
};
inline constexpr size_t kKxidSize = 48;
void kxid_pack(const kxid_t &id, uint8_t *out);
kxid_t kxid_unpack(const uint8_t *in);

// Status of one (interface, direction); 88 bytes on the wire.
struct kxinfo_t {
  std::array<char, 16> ifname{};
  int32_t direction = 0; // 0 inbound, 1 outbound
  std::array<char, 32> filter{};
  int32_t loadtime = 0;
  std::array<uint8_t, 4> raw{};
  int32_t counter1 = 0, counter2 = 0;
  int32_t npacket = 0, naccept = 0, nreject = 0, ndrop = 0, nlog = 0;

  std::string ifname_str() const;
  std::string filter_str() const;
  bool operator==(const kxinfo_t &) const = default;
};
inline constexpr size_t kKxinfoSize = 88;
void kxinfo_pack(const kxinfo_t &info, uint8_t *out);
kxinfo_t kxinfo_unpack(const uint8_t *in);

// One filter table: a 140-byte header, then its entries as an int array.
struct kxtab_t {
  std::array<char, 32> name{};
  int32_t kind = 1; // 1 static, 2 dynamic
  int32_t id = 0;
  std::array<char, 32> format{};
  int32_t width = 1;
  int32_t nattr = 0;
  std::array<std::array<int32_t, 3>, 4> attr{};
  int32_t unused = 0;
  int32_t nentries = 0;
  std::array<uint8_t, 4> ptr{}; // sender's pointer; meaningless here
  std::vector<int32_t> entries;

  std::string name_str() const;
  bool operator==(const kxtab_t &) const = default;
};
inline constexpr size_t kKxtabHeaderSize = 140;
void kxtab_pack_header(const kxtab_t &t, uint8_t *out);
void kxtab_unpack_header(const uint8_t *in, kxtab_t &t);

// Interface entry of list type 21: 20 bytes.
struct kxif_t {
  std::array<char, 16> name{};
  int32_t number = 0;
  bool operator==(const kxif_t &) const = default;
};

// File set of a compiled policy: at most 10 named entries.
struct kxloadx_entry {
  std::string name;
  Bytes contents;
  bool operator==(const kxloadx_entry &) const = default;
};
struct kxloadx_t {
  std::vector<kxloadx_entry> entries;
  const kxloadx_entry *find(const std::string &name) const;
  bool operator==(const kxloadx_t &) const = default;
};
inline constexpr size_t kMaxLoadxEntries = 10;

// Database download: encoded user database and objects database.
struct kxloaddb_t {
  Bytes userdb;
  Bytes objects;
  bool operator==(const kxloaddb_t &) const = default;
};

// Copies text into a fixed NUL-padded field (cut to leave one NUL).
template <size_t N> void set_fixed(std::array<char, N> &dst, const std::string &s) {
  dst.fill(0);
  for (size_t i = 0; i < s.size() && i + 1 < N; ++i)
    dst[i] = s[i];
}
template <size_t N> std::string fixed_str(const std::array<char, N> &a) {
  size_t n = 0;
  while (n < N && a[n])
    ++n;
  return std::string(a.data(), n);
}

} // namespace kxsys
