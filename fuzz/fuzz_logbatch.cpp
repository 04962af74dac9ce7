// A batch of packet filter messages as a collector takes it from its batch
// socket: split into messages, each made into a record (or a domain
// request, a trap, a filter's description). Nothing may crash, and every
// message handed on lies within the batch and has a message's length.
#include "fuzz/quiet.h"
#include "logcollect.h"

#include "kxlog/logbatch.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  kxfuzz::silence_reports();
  // With a server named but never connected, records are made and dropped:
  // no file is written.
  kxlogd::CollectorOptions o;
  o.moduledir = "/nonexistent";
  o.servers = {"127.0.0.1"};
  kxlogd::LogCollector collector(o);
  size_t messages = 0, bytes = 0;
  const LogBatchFault fault = log_batch_split(data, size, [&](const uint8_t *m, size_t n) {
    if (m < data || m + n > data + size || n < 4 || n % 4 || n > LOG_MESSAGE_MAX) abort();
    ++messages;
    bytes += 4 + n;
    collector.log_message(m, n, 1);
  });
  if (bytes + fault.dropped != size || fault.dropped > size) abort();
  if (fault.what.empty() != (fault.dropped == 0)) abort();
  return 0;
}
