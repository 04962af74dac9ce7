// The memory of filter identities: which filter each (origin, fid) ran from
// which record on, the format table of each identity, tables that came
// before their identity, and records that came before their table.
#pragma once

#include "kxlog/logformat.h"
#include "kxlog/logrec.h"

#include <array>
#include <climits>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

struct log_queued {
  kxlogrec header;
  std::vector<uint8_t> data;
  long recnum;
};

class LogMemory {
public:
  using Table = std::shared_ptr<const log_format_table>;

  // From record `recnum` on, (origin, fid) runs `id`. 1 when a pair was
  // added, 0 when one with the same record number was overwritten.
  int set_kxid(const kxlogrec &h, const kxid_t &id, long recnum);
  // The identity key in force at `recnum`; with `fallback`, an origin
  // without a list borrows the list of origin 0 with the same fid.
  std::optional<uint64_t> get_kxid(const kxlogrec &h, bool fallback, long recnum) const;
  void set_data(const kxlogrec &h, const kxid_t *id, Table table, long recnum);
  Table get_data(const kxlogrec &h, const kxid_t *id, long recnum) const;
  // What get_data(h, nullptr, recnum) gives, without taking a reference:
  // valid until the memory next changes. The answer is remembered per
  // (origin, fid) for the run of record numbers it holds for, so that a
  // stream of records asks the maps about once per run.
  const log_format_table *find_data(const kxlogrec &h, long recnum) const;
  bool has_table(uint64_t key) const { return tables_.count(key) != 0; }

  // Queues a copy of a record (data cut to 8192 bytes); false when the
  // queues are full, so that memory stays bounded on any input.
  bool queue(const kxlogrec &h, const uint8_t *data, size_t length, long recnum);
  // The oldest queued record of the record's identity, else of its
  // (origin, fid).
  std::optional<log_queued> dequeue(const kxlogrec &h, long recnum);
  // Hands every queued record to `fn`, queue by queue in order of creation.
  long dequeue_all(const std::function<void(const log_queued &)> &fn);
  size_t queued() const { return queued_; }

  void clear();

private:
  struct PairKey {
    uint32_t origin;
    uint8_t fid;
    bool operator<(const PairKey &o) const {
      return origin != o.origin ? origin < o.origin : fid < o.fid;
    }
    bool operator==(const PairKey &o) const { return origin == o.origin && fid == o.fid; }
  };
  struct Found {
    bool used = false;
    PairKey pair{};
    unsigned long version = 0;
    long from = 0, until = 0; // the record numbers the answer holds for
    const log_format_table *table = nullptr;
  };
  static PairKey pair(const kxlogrec &h) { return {h.origin, h.fid}; }
  struct Queue {
    long created;
    std::deque<log_queued> records;
  };
  // The oldest record of the queue under `key`, which goes when empty.
  template <class Key> std::optional<log_queued> pop(std::map<Key, Queue> &queues, const Key &key) {
    auto it = queues.find(key);
    if (it == queues.end()) return std::nullopt;
    log_queued q = std::move(it->second.records.front());
    it->second.records.pop_front();
    if (it->second.records.empty()) queues.erase(it);
    --queued_;
    return q;
  }

  std::map<PairKey, std::vector<std::pair<long, uint64_t>>> ids_; // highest recnum first
  std::map<uint64_t, Table> tables_;
  std::map<PairKey, Table> scheduled_;
  std::map<uint64_t, Queue> id_queues_;
  std::map<PairKey, Queue> pair_queues_;
  size_t queued_ = 0;
  long queues_made_ = 0;
  unsigned long version_ = 0; // counts changes of identities and tables
  mutable std::array<Found, 16> found_{};
};

// The process-wide memory.
LogMemory &log_memory();
