// Arbitrary text as an ".ifs" state file.
#include "kxsys/kxstate.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  using namespace kxsys;
  auto ifs = kx_parse_ifs(std::string(reinterpret_cast<const char *>(data), size));
  if (!ifs)
    return 0;
  if (ifs->name.empty() || ifs->name.size() > 511)
    abort();
  for (const auto &t : ifs->targets)
    if (t.empty() || t.size() > 511 || t.find('\n') != std::string::npos)
      abort();
  return 0;
}
