// The files the resuming log service reads back: a server's resume book and
// a collector's records in doubt. Neither may crash or take more than it
// was given; a book's parse is repeatable.
#include "fuzz/quiet.h"
#include "logdoubt.h"
#include "logresume.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  kxfuzz::silence_reports();
  kxlogd::LogResumeBook book;
  const size_t used = book.load(data, size);
  if (used > size || book.clients() > kxlogd::LogResumeBook::kMaxClients) abort();
  kxlogd::LogResumeBook again;
  if (again.load(data, used) != used || again.clients() != book.clients()) abort();
  kxlogd::DoubtfulRecords doubt;
  kxlogd::parse_doubtful(data, size, doubt);
  if (doubt.records.size() > size) abort();
  return 0;
}
