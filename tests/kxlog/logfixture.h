// Building log files record by record for the tests.
#pragma once

#include "kxlog/logwrite.h"

#include <cstring>
#include <string>
#include <vector>

namespace kxlogtest {

inline const char kFormats[] = "# formats\n"
                               "%%format: conn 1\n"
                               "src ipaddr\n"
                               "dst ipaddr\n"
                               "service port\n"
                               "proto proto\n"
                               "rule int\n"
                               "info string\n"
                               "%%action: accept 0\n"
                               "%%action: \"![Red Alert]mail\" 1\n"
                               "%%action: drop 2\n";

inline std::vector<uint8_t> words(std::initializer_list<uint32_t> ws) {
  std::vector<uint8_t> out(ws.size() * 4);
  size_t i = 0;
  for (uint32_t w : ws) put_be32(&out[4 * i++], w);
  return out;
}

inline kxlogrec header(uint32_t origin, uint8_t format, uint32_t time = 1796889600) {
  kxlogrec h;
  h.origin = origin;
  h.time = time;
  h.format = format;
  h.fid = 1;
  return h;
}

inline kxid_t filter(const char *name = "Standard", uint32_t id = 7) {
  return kxid_t::make(name, 1796880000, 0x7f000001, id);
}

inline std::vector<uint8_t> info(const kxid_t &id, const std::string &formats) {
  return kxlogdom2x({id, formats, ""});
}

// A connection record of format 1: src, dst, port, proto, rule, a text, action.
inline std::vector<uint8_t> conn(uint32_t action, const char *text = "ok") {
  std::vector<uint8_t> d = words({0xC6336401, 0xCB007105, 25, 6, 3, 6u << 16 | 1u, 0, action});
  std::copy(text, text + std::min<size_t>(std::strlen(text), 3), d.begin() + 24);
  return d;
}

} // namespace kxlogtest
