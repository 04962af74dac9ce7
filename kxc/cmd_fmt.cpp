// kxc fmt FILE: reads one set (no dictionary) and writes it back in the
// canonical layout on standard output. A refused input prints the reader's
// messages on standard error and exits 1; an empty input prints nothing.
#include "kxc/command.h"

#include "kxset/sio.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

KXC_COMMAND(fmt, "fmt FILE", "write a set file in canonical layout") {
  if (args.size() != 1) return kxc::usage_error("fmt FILE");
  const char *path = args[0].c_str();
  FILE *f = std::fopen(path, "r");
  if (!f) {
    std::fprintf(stderr, "kxc fmt: cannot open %s: %s\n", path, std::strerror(errno));
    return 1;
  }
  sio_setfile(path);
  KxSetRef set = sio_read(f);
  std::fclose(f);
  if (sio_errno() != 0) {
    std::fputs(sio_messages().c_str(), stderr);
    return 1;
  }
  if (!set) return 0;
  if (sio_write(stdout, set.get()) != 0) {
    // The writer explains a tree it cannot put into text; otherwise the
    // output itself failed.
    if (sio_errno() != 0)
      std::fputs(sio_messages().c_str(), stderr);
    else
      std::fprintf(stderr, "kxc fmt: cannot write the set: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}
