// Netmasks files through init_netmasks: every line is either recorded or
// skipped, never more records than lines.
#include "kxu/netaddr.h"
#include "kxu/sym.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  int fd = memfd_create("netmasks", 0);
  if (fd < 0) std::abort();
  if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  int recorded = init_netmasks(path.c_str());
  close(fd);
  const long lines = std::count(data, data + size, '\n') + 1;
  if (recorded < 0 || recorded > lines) std::abort();
  sym_reset();
  return 0;
}
