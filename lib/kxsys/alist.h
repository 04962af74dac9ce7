// Typed argument lists. A 32-bit command word names the command (bits 0-7)
// and the types of up to four arguments (6-bit fields from bit 8; 0x20 marks
// an argument carried by the reply). The same word drives sender and
// receiver; values travel as AlValue, whose alternative must match the type.
#pragma once

#include "kxsys/records.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kxsys {

enum AlType : uint32_t {
  AL_STRINGS = 1, AL_BUFFER = 2, AL_INT = 3, AL_RC = 4, AL_STRING = 5, AL_INTARRAY = 6,
  AL_KXID = 16, AL_KXLOAD = 17, AL_SCOPELIST = 18, AL_TABLIST = 19, AL_DOMLIST = 20,
  AL_IFLIST = 21, AL_INFOARRAY = 22, AL_FIXED = 23, AL_TAB = 24, AL_LOADX = 25, AL_LOADDB = 26,
};
inline constexpr uint32_t AL_OUT = 0x20;

// Builds a command word from a command number and up to four type fields.
constexpr uint32_t al_word(uint32_t cmd, std::initializer_list<uint32_t> fields) {
  uint32_t w = cmd & 0xff;
  int i = 0;
  for (uint32_t f : fields)
    w |= (f & 63) << (8 + 6 * i++);
  return w;
}

// One scope entry: code words, display level and its selectors (hosts,
// interfaces, directions).
struct kxscope_t {
  int32_t first = 0, last = 0, level = 0;
  std::vector<std::array<std::vector<std::string>, 3>> selectors;
  bool operator==(const kxscope_t &) const = default;
};

// The older whole-filter record.
struct kxload_t {
  std::vector<int32_t> code;
  std::optional<Bytes> logformat;
  std::optional<Bytes> settext; // only with peers of version 0x10300000 and up
  std::optional<kxid_t> id;
  std::vector<kxscope_t> scopes;
  std::vector<kxtab_t> tables;
  std::vector<std::string> domains;
  std::vector<kxif_t> interfaces;
  bool operator==(const kxload_t &) const = default;
};

struct AlStrings { std::vector<std::string> v; };
struct AlBuffer { std::optional<Bytes> v; };
struct AlInt { int32_t v = 0; };
struct AlRc { int32_t rc = 0; int32_t err = 0; }; // err travels only when rc < 0
struct AlString { std::optional<std::string> v; };
struct AlIntArray { std::vector<int32_t> v; };
struct AlKxid { std::optional<kxid_t> v; };
struct AlLoad { kxload_t v; };
struct AlScopeList { std::vector<kxscope_t> v; };
struct AlTabList { std::vector<kxtab_t> v; };
struct AlDomList { std::vector<std::string> v; };
struct AlIfList { std::vector<kxif_t> v; };
struct AlInfoArray { std::vector<kxinfo_t> v; };
struct AlFixed { std::optional<std::array<uint8_t, 20>> v; };
struct AlTab { kxtab_t v; };
struct AlLoadx { std::optional<kxloadx_t> v; };
struct AlLoaddb { kxloaddb_t v; };

using AlValue = std::variant<AlStrings, AlBuffer, AlInt, AlRc, AlString, AlIntArray, AlKxid, AlLoad,
                             AlScopeList, AlTabList, AlDomList, AlIfList, AlInfoArray, AlFixed, AlTab,
                             AlLoadx, AlLoaddb>;
using AlValues = std::vector<AlValue>;

// Type code of a value.
uint32_t al_type_of(const AlValue &v);

// Version word of the peer, which selects record layouts (kxload_t).
extern thread_local uint32_t kx_peer_version;
inline constexpr uint32_t KX_VERSION = 0x12000000;

// Send the fields of one direction of the word from `values` (in order);
// a value whose type differs from its field throws kx_unwind.
void al_putin(int fd, uint32_t word, const AlValues &values);
void al_putout(int fd, uint32_t word, const AlValues &values);
// Read the fields of one direction. Everything received in one call is held
// to kMaxBuffer bytes in all. Unknown codes, bad lengths and early ends throw.
AlValues al_getin(int fd, uint32_t word);
AlValues al_getout(int fd, uint32_t word);

// Per-type operations (used by the walk and by the records).
void al_put_value(int fd, const AlValue &v);
AlValue al_get_value(int fd, uint32_t type);

// Number of entries of a NULL-terminated list (kept for the record readers).
size_t StringsNum(const std::vector<std::string> &list);

} // namespace kxsys
