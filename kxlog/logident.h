// The process-wide identity memory under the names other modules call it
// by: the log service and the viewer keep one memory per process.
#pragma once

#include "kxlog/logmem.h"

int log_set_kxid(const kxlogrec &h, const kxid_t &id, long recnum);
std::optional<uint64_t> log_get_kxid(const kxlogrec &h, bool fallback, long recnum);
void log_set_data(const kxlogrec &h, const kxid_t *id, LogMemory::Table table, long recnum);
LogMemory::Table log_get_data(const kxlogrec &h, const kxid_t *id, long recnum);
bool log_queue(const kxlogrec &h, const uint8_t *data, size_t length, long recnum);
std::optional<log_queued> log_dequeue(const kxlogrec &h, long recnum);
long log_dequeue_all(const std::function<void(const log_queued &)> &fn);

// Stores a filter's table and hands every record queued for it, in order,
// to `process` ("DeQueued" in debug mode).
void log_set_format(const kxlogrec &h, const kxid_t &id, LogMemory::Table table, long recnum,
                    const std::function<void(const log_queued &)> &process);
// The format of a record and its filter's table: "Unknown format" when the
// table lacks it; with `queue_if_unknown` and no table, the record is
// queued. Null when there is no format.
const log_fmt *log_get_format(const kxlogrec &h, const uint8_t *data, size_t length,
                              LogMemory::Table *table_out, long recnum, bool queue_if_unknown);
