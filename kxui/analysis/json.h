// The one piece of JSON writing the analysis reports need: quoted strings.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace kxan {

inline std::string json_quote(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

} // namespace kxan
