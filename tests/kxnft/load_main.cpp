// kxnft_load FILE: replaces the table inet kx of this network namespace by
// the ruleset in FILE, as a module does when it loads a filter. Prints how
// (our own messages or libnftables) and the time it took: wall, user and
// system seconds. The namespace tests and the benchmark use it.
#include "kxnft/load/nftload.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/resource.h>

namespace {
double seconds(const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }
} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    fputs("usage: kxnft_load FILE\n", stderr);
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    fprintf(stderr, "kxnft_load: cannot open %s\n", argv[1]);
    return 2;
  }
  std::stringstream text;
  text << in.rdbuf();
  rusage r0{}, r1{};
  getrusage(RUSAGE_SELF, &r0);
  auto t0 = std::chrono::steady_clock::now();
  kxnft::NftRun r = kxnft::nft_replace(text.str());
  auto t1 = std::chrono::steady_clock::now();
  getrusage(RUSAGE_SELF, &r1);
  if (!r.ok) {
    fprintf(stderr, "kxnft_load: %s", r.err.c_str());
    return 1;
  }
  printf("%s %.4f %.4f %.4f\n", r.direct ? "direct" : "libnftables", std::chrono::duration<double>(t1 - t0).count(),
         seconds(r1.ru_utime) - seconds(r0.ru_utime), seconds(r1.ru_stime) - seconds(r0.ru_stime));
  return 0;
}
