// One client's byte stream through the log server: cut into records in
// pieces of the size the first byte chooses, with the server's file
// reopened now and then, and the file it wrote read back. The server must
// never write a record a reader cannot take.
#include "fuzz/quiet.h"
#include "kxlog/logread.h"
#include "logserver.h"

#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  kxfuzz::silence_reports();
  if (size < 1) return 0;
  const size_t piece = 1 + data[0] % 64;
  ++data;
  --size;
  const int fd = memfd_create("kxlog", 0);
  if (fd < 0) return 0;
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  kxlogd::LogAppender out;
  if (!out.open(path, 0x7f000101)) {
    close(fd);
    return 0;
  }
  {
    kxlogd::LogServerCore core(out);
    kxlogd::LogServerSession &s = core.begin(3, 0x7f000102, "127.0.1.2", true, 1000);
    time_t now = 1000;
    size_t chunk = 0;
    for (size_t at = 0; at < size; at += piece, ++chunk) {
      s.parser.feed(data + at, std::min(piece, size - at));
      now += chunk % 3 == 0;
      if (chunk % 17 == 16) out.open(path, 0x7f000101);
      if (!core.take(s, now)) break;
      s.request_due = false;
    }
    core.end(3, now);
  }
  out.close();
  // Every record taken was either dropped or appended whole: the file reads
  // back to its end. How many records a reopening writes again depends on the
  // filters and clients seen so far, so their number is not checked here.
  LogReader reader;
  if (reader.open(path)) {
    kxlogrec h;
    std::vector<uint8_t> rec;
    while (reader.get(h, rec) >= 0) {
    }
  }
  close(fd);
  return 0;
}
