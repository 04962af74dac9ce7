// What a resuming collector keeps of itself across its own restarts: its
// client number ("log/kxlog.id"), and the records it had sent to a server
// without hearing that they were written ("log/kxlog.pending"). The next
// server connection tells which of those the server holds; the rest are
// sent again, so that none is written twice or lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kxlogd {

// The client number kept at `path`; a new random one is made (and kept)
// when there is none. 0 when none can be kept.
uint64_t collector_client_id(const std::string &path);

// Records in doubt: whole records as they travel, numbered from `first` in
// the server book `book`.
struct DoubtfulRecords {
  uint64_t book = 0;
  uint64_t first = 0;
  std::vector<uint8_t> records;
};

// Writes them to `path` (replacing it); false with `err`.
bool save_doubtful(const std::string &path, const DoubtfulRecords &d, std::string &err);
// Reads what save_doubtful wrote; false (with a report) for a file that
// does not hold whole records (what was whole before the fault is kept).
bool parse_doubtful(const uint8_t *bytes, size_t n, DoubtfulRecords &d);
// Reads `path`; false when there is none or it cannot be read.
bool load_doubtful(const std::string &path, DoubtfulRecords &d);

} // namespace kxlogd
