#include "kxlog/logident.h"

#include "kxlog/logbad.h"
#include "kxu/report.h"

int log_set_kxid(const kxlogrec &h, const kxid_t &id, long recnum) {
  return log_memory().set_kxid(h, id, recnum);
}

std::optional<uint64_t> log_get_kxid(const kxlogrec &h, bool fallback, long recnum) {
  return log_memory().get_kxid(h, fallback, recnum);
}

void log_set_data(const kxlogrec &h, const kxid_t *id, LogMemory::Table table, long recnum) {
  log_memory().set_data(h, id, std::move(table), recnum);
}

LogMemory::Table log_get_data(const kxlogrec &h, const kxid_t *id, long recnum) {
  return log_memory().get_data(h, id, recnum);
}

bool log_queue(const kxlogrec &h, const uint8_t *data, size_t length, long recnum) {
  return log_memory().queue(h, data, length, recnum);
}

std::optional<log_queued> log_dequeue(const kxlogrec &h, long recnum) {
  return log_memory().dequeue(h, recnum);
}

long log_dequeue_all(const std::function<void(const log_queued &)> &fn) {
  return log_memory().dequeue_all(fn);
}

void log_set_format(const kxlogrec &h, const kxid_t &id, LogMemory::Table table, long recnum,
                    const std::function<void(const log_queued &)> &process) {
  log_set_data(h, &id, std::move(table), recnum);
  while (auto q = log_dequeue(h, recnum)) {
    if (kxdebug) kx_trace("DeQueued");
    process(*q);
  }
}

const log_fmt *log_get_format(const kxlogrec &h, const uint8_t *data, size_t length,
                              LogMemory::Table *table_out, long recnum, bool queue_if_unknown) {
  LogMemory::Table table = log_get_data(h, nullptr, recnum);
  if (table_out) *table_out = table;
  if (!table) {
    if (queue_if_unknown) log_queue(h, data, length, recnum);
    return nullptr;
  }
  const log_fmt *f = table->get(h.format);
  if (!f) log_badpacket("Unknown format", h, length, recnum);
  return f;
}
