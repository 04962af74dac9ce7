// Arbitrary bytes as an NFLOG message of the module's ruleset: the first
// line is the prefix, the rest the packet.
#include "kxnft/load/nflog.h"

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const uint8_t *nl = static_cast<const uint8_t *>(memchr(data, '\n', size));
  size_t cut = nl ? size_t(nl - data) : size;
  kxnft::NflogMessage m;
  m.prefix.assign(reinterpret_cast<const char *>(data), cut);
  m.indev = "le0";
  if (cut < size)
    m.payload.assign(data + cut + 1, data + size);
  auto p = kxnft::read_logged(m);
  if (p && (p->sport > 65535 || p->dport > 65535 || p->rule < 0 || p->length > 65535))
    abort();
  return 0;
}
