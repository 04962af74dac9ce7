#include "kxlog/logmem.h"

#include <algorithm>

namespace {
// Bounds that no sound log comes near and that keep a hostile one from
// growing the memory with the file.
constexpr size_t kMaxQueued = 100000;
constexpr size_t kMaxIdsPerPair = 4096;
constexpr size_t kMaxTables = 4096;
} // namespace

int LogMemory::set_kxid(const kxlogrec &h, const kxid_t &id, long recnum) {
  ++version_;
  const PairKey p = pair(h);
  auto [it, made] = ids_.try_emplace(p);
  auto &list = it->second;
  if (made) {
    auto s = scheduled_.find(p);
    if (s != scheduled_.end()) {
      if (tables_.size() < kMaxTables) tables_.emplace(id.key(), s->second);
      scheduled_.erase(s);
    }
  }
  auto pos = std::find_if(list.begin(), list.end(),
                          [recnum](const auto &e) { return e.first <= recnum; });
  if (pos != list.end() && pos->first == recnum) {
    pos->second = id.key();
    return 0;
  }
  list.insert(pos, {recnum, id.key()});
  if (list.size() > kMaxIdsPerPair) list.pop_back(); // forget the oldest
  return 1;
}

std::optional<uint64_t> LogMemory::get_kxid(const kxlogrec &h, bool fallback, long recnum) const {
  auto it = ids_.find(pair(h));
  if (it == ids_.end() && fallback) it = ids_.find(PairKey{0, h.fid});
  if (it == ids_.end()) return std::nullopt;
  for (const auto &[from, key] : it->second)
    if (from <= recnum) return key;
  return std::nullopt;
}

void LogMemory::set_data(const kxlogrec &h, const kxid_t *id, Table table, long recnum) {
  ++version_;
  if (id) {
    if (tables_.size() < kMaxTables || tables_.count(id->key())) tables_[id->key()] = std::move(table);
    set_kxid(h, *id, recnum);
    return;
  }
  if (auto key = get_kxid(h, true, recnum)) {
    if (tables_.size() < kMaxTables || tables_.count(*key)) tables_[*key] = std::move(table);
    return;
  }
  scheduled_[pair(h)] = std::move(table);
}

LogMemory::Table LogMemory::get_data(const kxlogrec &h, const kxid_t *id, long recnum) const {
  std::optional<uint64_t> key = id ? std::optional<uint64_t>(id->key()) : get_kxid(h, true, recnum);
  if (key) {
    auto t = tables_.find(*key);
    if (t != tables_.end()) return t->second;
  }
  auto s = scheduled_.find(pair(h));
  return s == scheduled_.end() ? nullptr : s->second;
}

const log_format_table *LogMemory::find_data(const kxlogrec &h, long recnum) const {
  const PairKey p = pair(h);
  Found &f = found_[(p.origin * 2654435761u ^ p.fid) & (found_.size() - 1)];
  if (f.used && f.version == version_ && f.pair == p && recnum >= f.from && recnum < f.until) return f.table;
  // As get_kxid and get_data, noting between which identity changes the
  // answer stays the same.
  long from = LONG_MIN, until = LONG_MAX;
  std::optional<uint64_t> key;
  auto it = ids_.find(p);
  if (it == ids_.end()) it = ids_.find(PairKey{0, h.fid});
  if (it != ids_.end()) {
    for (const auto &[start, k] : it->second) { // highest record number first
      if (start <= recnum) {
        key = k;
        from = start;
        break;
      }
      until = start;
    }
  }
  const log_format_table *table = nullptr;
  if (key) {
    auto t = tables_.find(*key);
    if (t != tables_.end()) table = t->second.get();
  }
  if (!table) {
    auto s = scheduled_.find(p);
    if (s != scheduled_.end()) table = s->second.get();
  }
  f = {true, p, version_, from, until, table};
  return table;
}

bool LogMemory::queue(const kxlogrec &h, const uint8_t *data, size_t length, long recnum) {
  if (queued_ >= kMaxQueued) return false;
  log_queued q{h, std::vector<uint8_t>(data, data + std::min(length, LOG_MAX_EXPORT)), recnum};
  if (auto key = get_kxid(h, false, recnum)) {
    auto [it, made] = id_queues_.try_emplace(*key);
    if (made) it->second.created = queues_made_++;
    it->second.records.push_back(std::move(q));
  } else {
    auto [it, made] = pair_queues_.try_emplace(pair(h));
    if (made) it->second.created = queues_made_++;
    it->second.records.push_back(std::move(q));
  }
  ++queued_;
  return true;
}

std::optional<log_queued> LogMemory::dequeue(const kxlogrec &h, long recnum) {
  if (auto key = get_kxid(h, false, recnum))
    if (auto q = pop(id_queues_, *key)) return q;
  return pop(pair_queues_, pair(h));
}

long LogMemory::dequeue_all(const std::function<void(const log_queued &)> &fn) {
  std::vector<std::pair<long, std::deque<log_queued> *>> order;
  for (auto &[k, q] : id_queues_) order.push_back({q.created, &q.records});
  for (auto &[k, q] : pair_queues_) order.push_back({q.created, &q.records});
  std::sort(order.begin(), order.end(),
            [](const auto &a, const auto &b) { return a.first < b.first; });
  long n = 0;
  for (auto &[created, records] : order)
    for (const log_queued &q : *records) {
      fn(q);
      ++n;
    }
  id_queues_.clear();
  pair_queues_.clear();
  queued_ = 0;
  return n;
}

void LogMemory::clear() { *this = LogMemory(); }

LogMemory &log_memory() {
  static LogMemory memory;
  return memory;
}
