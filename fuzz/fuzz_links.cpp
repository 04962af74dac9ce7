// Arbitrary text as the links file of the state store: parsing it, writing
// what parsed and parsing that again must never crash or loop. (Names with
// bytes the set text format changes on writing may come back as other
// families, so the counts are not compared.)
#include "kxsys/kxstate.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  using namespace kxsys;
  auto links = kx_parse_links(std::string(reinterpret_cast<const char *>(data), size));
  if (!links)
    return 0;
  auto again = kx_parse_links(kx_links_text(*links));
  (void)again;
  return 0;
}
