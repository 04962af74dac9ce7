// kxnft_send STATEDIR NAME HOST: sends the file set saved for HOST in
// STATEDIR as filter NAME, as kx load does after compiling. The end-to-end
// test uses it to offer a module a ruleset that nftables refuses.
#include "kxsys/errors.h"
#include "kxsys/kxrif.h"

#include <cstdio>

int main(int argc, char **argv) {
  if (argc != 4) {
    fputs("usage: kxnft_send STATEDIR NAME HOST\n", stderr);
    return 2;
  }
  kxsys::kx_set_progname("kxnft_send");
  return kxsys::kx_rdownloadx(argv[2], argv[3], {"all"}, argv[1]) == 0 ? 0 : 1;
}
