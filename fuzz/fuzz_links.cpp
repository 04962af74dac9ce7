// Arbitrary text as the links file of the state store: parsing it must never
// crash or loop, and what parsed must come back the same when written and
// parsed again (the families a module's state is found by).
#include "kxsys/kxstate.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  using namespace kxsys;
  auto links = kx_parse_links(std::string(reinterpret_cast<const char *>(data), size));
  if (!links)
    return 0;
  auto again = kx_parse_links(kx_links_text(*links));
  if (!again || *again != *links)
    abort();
  return 0;
}
