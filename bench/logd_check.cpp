// logd_check LOGFILE [WORD]
//
// Checks a log file written by the log server during the log service
// benchmark: per origin, the connection records (format 1) must carry in
// data word WORD (default 4, the "rule" word of the benchmark's filter) the
// numbers 0, 1, 2, ... without gap or repetition. Prints the records per
// origin and the count of lost and out-of-order records; exit 1 when any.
#include "kxlog/logread.h"

#include <cstdio>
#include <cstdlib>
#include <map>

int main(int argc, char **argv) {
  if (argc < 2) {
    fputs("usage: logd_check LOGFILE [WORD]\n", stderr);
    return 2;
  }
  const size_t word = argc > 2 ? size_t(atoi(argv[2])) : 4;
  LogReader reader;
  if (!reader.open(argv[1])) {
    perror(argv[1]);
    return 1;
  }
  struct Origin {
    uint32_t next = 0;
    long records = 0, lost = 0, disorder = 0;
  };
  std::map<uint32_t, Origin> origins;
  kxlogrec h;
  std::vector<uint8_t> data;
  long total = 0;
  while (reader.get(h, data) >= 0) {
    if (h.type != LOG_TYPE_LOG || h.format != 1 || data.size() < 4 * (word + 1)) continue;
    const uint32_t n = be32(&data[4 * word]);
    Origin &o = origins[h.origin];
    if (n > o.next) o.lost += n - o.next;
    if (n < o.next) ++o.disorder;
    else o.next = n + 1;
    ++o.records;
    ++total;
  }
  long bad = 0;
  for (const auto &[addr, o] : origins) {
    printf("origin %u.%u.%u.%u: %ld records, %ld lost, %ld out of order\n", addr >> 24,
           addr >> 16 & 255, addr >> 8 & 255, addr & 255, o.records, o.lost, o.disorder);
    bad += o.lost + o.disorder;
  }
  printf("records %ld\n", total);
  return bad ? 1 : 0;
}
