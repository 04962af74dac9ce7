// KxScope: the name scopes of the set text format and its encodings.
//
// Level 0 holds the base set (a dictionary, or an empty set); every set being
// read or written is pushed one level deeper. A definition made at a level is
// visible at that level and deeper until the level is popped; pushing the
// level again (the next sibling) raises its generation, which makes the old
// definitions of that level dead.
#pragma once

#include "kxset/kxatom.h"

#include <cstdint>
#include <vector>

class kxset;

class KxScope {
public:
  static constexpr int kLevels = 64; // levels 0..63; at most 63 pushes

  explicit KxScope(kxset *base = nullptr);
  KxScope(const KxScope &) = delete;
  KxScope &operator=(const KxScope &) = delete;

  // Enters a new level holding `set`; returns the new level, or -1 when all
  // levels are in use (the caller must then fail).
  int Push(kxset *set);
  // Leaves the current level; returns the new level. Level 0 stays.
  int Pop();
  kxset *GetTop() const noexcept { return sets_[level_]; }
  int level() const noexcept { return level_; }

  // Defines `name` as `set` at the current level (newest first); 0, or -1
  // for an empty name.
  int Add(const KxAtom &name, kxset *set);
  // The set of the newest live definition of `name`, or null. Dead entries
  // at the front of the name's chain are dropped on the way.
  kxset *Get(const KxAtom &name);

private:
  struct Entry {
    kxset *set;
    uint32_t level;
    uint32_t gen;
    int32_t next; // index in entries_, -1 ends the chain
  };
  struct Slot {
    KxAtom name; // zero atom: free slot
    int32_t head = -1;
  };

  bool alive(const Entry &e) const noexcept {
    return e.level <= static_cast<uint32_t>(level_) && e.gen >= gen_[e.level];
  }
  Slot *find_slot(const KxAtom &name);
  Slot &insert_slot(const KxAtom &name);
  void grow();
  int32_t new_entry(const Entry &e);
  void free_entry(int32_t i);

  int level_ = 0;
  uint32_t gen_[kLevels] = {};
  kxset *sets_[kLevels] = {};

  // Open addressing by the atom's hash; slots are kept once used.
  std::vector<Slot> slots_;
  size_t used_ = 0;
  std::vector<Entry> entries_;
  int32_t free_ = -1;
};
