// Arbitrary text as control.map (the first NUL splits off the "masters"
// file). Host names are not looked up: only dotted addresses resolve.
#include "kxsys/conn.h"
#include "kxsys/controlmap.h"

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  using namespace kxsys;
  std::string all(reinterpret_cast<const char *>(data), size);
  size_t nul = all.find('\0');
  std::string text = all.substr(0, nul);
  std::optional<std::string> masters;
  if (nul != std::string::npos)
    masters = all.substr(nul + 1);
  auto table = kxusr_parse(
      text, [&] { return masters; },
      [](const std::string &host, uint32_t &addr) {
        return !host.empty() && host[0] >= '0' && host[0] <= '9' && kx_resolve(host, addr);
      });
  for (const auto &cmd : kx_command_names())
    kxusr_get(table, 0x7f000001, cmd);
  return 0;
}
