// The command table of the management protocol: numbers, permission names
// and command words shared by the client operations and the daemon.
#pragma once

#include "kxsys/alist.h"

#include <string>

namespace kxsys {

enum KxCommand : uint32_t {
  KXC_STAT = 2, KXC_ESCAPE = 3, KXC_TAB_STAT = 4, KXC_GET_TAB_NAME = 5, KXC_GET_LOGDOM = 7,
  KXC_DB_DOWNLOAD = 9, KXC_LOAD = 10, KXC_FETCH = 11, KXC_UNLOAD = 12,
};

inline constexpr uint32_t KXW_STAT = al_word(KXC_STAT, {AL_STRINGS, AL_INT, AL_RC | AL_OUT, AL_INFOARRAY | AL_OUT});
inline constexpr uint32_t KXW_ESCAPE = al_word(KXC_ESCAPE, {AL_STRINGS, AL_FIXED, AL_RC | AL_OUT});
inline constexpr uint32_t KXW_TAB_STAT = al_word(KXC_TAB_STAT, {AL_INT, AL_STRING, AL_RC | AL_OUT, AL_TAB | AL_OUT});
inline constexpr uint32_t KXW_GET_TAB_NAME = al_word(KXC_GET_TAB_NAME, {AL_STRINGS, AL_RC | AL_OUT, AL_STRINGS | AL_OUT});
inline constexpr uint32_t KXW_GET_LOGDOM = al_word(KXC_GET_LOGDOM, {AL_RC | AL_OUT, AL_BUFFER | AL_OUT});
inline constexpr uint32_t KXW_DB_DOWNLOAD = al_word(KXC_DB_DOWNLOAD, {AL_STRING, AL_LOADDB, AL_RC | AL_OUT});
inline constexpr uint32_t KXW_LOAD = al_word(KXC_LOAD, {AL_STRINGS, AL_LOADX, AL_RC | AL_OUT});
inline constexpr uint32_t KXW_FETCH = al_word(KXC_FETCH, {AL_INTARRAY, AL_RC | AL_OUT, AL_LOADX | AL_OUT});
inline constexpr uint32_t KXW_UNLOAD = al_word(KXC_UNLOAD, {AL_STRINGS, AL_STRINGS, AL_RC | AL_OUT});

// Permission name of a command number ("" for one we don't serve).
std::string kx_command_name(uint32_t number);
// The word that the daemon serves for a command number (0 for none).
uint32_t kx_command_word(uint32_t number);

// Log-domain record: identity, log-format text, domain text.
struct kxlogdom_t {
  kxid_t id;
  std::string logformat;
  std::string domains;
};
Bytes kxlogdom_pack(const kxlogdom_t &d);
std::optional<kxlogdom_t> kxlogdom_unpack(const Bytes &b);

} // namespace kxsys
