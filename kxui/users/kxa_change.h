// One change of the user database as the texts of the records it wrote,
// before and after: undo and redo put exactly those texts back, and a
// change that fails half-way is taken back whole.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct KxaChange {
  struct Record {
    int type;
    std::string key;
    std::optional<std::string> before, after; // none: no record
  };
  std::vector<Record> records; // in the order of their first writes
  bool empty() const { return records.empty(); }
};

// Runs `op` (0 or -1, like the kxa_ calls) on the current database and
// records what it writes; records left as they were are not kept. When `op`
// fails, every record it wrote is put back and the result is none.
std::optional<KxaChange> kxa_record(const std::function<int()> &op);

// Puts the records of `change` back as they were before it (`after` false:
// undo) or as it left them (redo), as one update of the database. A failure
// half-way takes back what it wrote. 0 or -1 (reported).
int kxa_change_put(const KxaChange &change, bool after);
