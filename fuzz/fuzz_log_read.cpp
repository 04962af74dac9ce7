// A whole log file through the reader and the stream interpretation: every
// shown record is printed as text and as its fields, so that every field
// type meets whatever the file holds.
#include "kxlog/logfile.h"
#include "kxlog/logprint.h"
#include "kxlog/logtypes.h"
#include "fuzz/quiet.h"
#include "kxu/report.h"

#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  kxfuzz::silence_reports();
  const int fd = memfd_create("log", 0);
  if (fd < 0) return 0;
  if (write(fd, data, size) != ssize_t(size)) {
    close(fd);
    return 0;
  }
  LogReader reader;
  if (reader.open("/proc/self/fd/" + std::to_string(fd))) {
    for (bool queueing : {false, true}) {
      reader.seek(0);
      LogStream *self = nullptr;
      size_t printed = 0;
      LogStream stream([&](const log_shown &s) {
        printed += log_line(s, self->hosts()).size();
      });
      self = &stream;
      stream.set_queueing(queueing);
      log_readstream(reader, stream, 0);
      stream.finish();
    }
  }
  close(fd);
  return 0;
}
