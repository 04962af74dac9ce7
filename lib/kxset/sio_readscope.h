// The name scopes of one read, laid out for a reader that defines a name
// for nearly every set it reads and looks up only a few (references).
//
// The rules are KxScope's (levels, generations, the newest live definition
// wins), kept on one flat stack: the definitions of every level, oldest
// first. Popping a level cuts its definitions off the top, and so does
// entering a level (the old generation of a level is always the top of the
// stack when it is entered again), so the stack only ever grows at its top
// and stays in cache while a file is read.
//
// Definitions hold the name's record, not a counted atom: every defined set
// is held by the tree being read (or by the dictionary) while its definition
// lives, and holds its name. Lookups search the few definitions made since
// the last lookup directly and the rest through an index by record address,
// built only when a lookup needs it.
#pragma once

#include "kxset/kxatom.h"
#include "kxset/kxscope.h"

#include <cstdint>
#include <vector>

class kxset;

namespace sio {

class ReadScope {
public:
  static constexpr int kLevels = KxScope::kLevels;

  explicit ReadScope(kxset *base);
  ReadScope(const ReadScope &) = delete;
  ReadScope &operator=(const ReadScope &) = delete;

  // Enters a new level holding `set`: the new level, or -1 when all levels
  // are in use.
  int Push(kxset *set) {
    if (level_ + 1 >= kLevels) return -1;
    levels_[++level_] = {set, static_cast<uint32_t>(defs_.size())};
    return level_;
  }
  // Leaves the current level (level 0 stays); returns the new level.
  int Pop() {
    if (level_ == 0) return 0;
    cut(levels_[level_].first);
    levels_[level_].set = nullptr;
    return --level_;
  }
  kxset *GetTop() const noexcept { return levels_[level_].set; }
  int level() const noexcept { return level_; }

  // Defines the named record `name` as `set` (with `tag`) at the current level.
  void Add(const KxAtom::Record *name, kxset *set, int tag) { defs_.push_back({name, set, tag, -1}); }
  // The set of the newest live definition of `name`, or null; its tag goes
  // to `*tag`.
  kxset *Get(const KxAtom::Record *name, int *tag);

private:
  struct Def {
    const KxAtom::Record *name;
    kxset *set;
    int32_t tag;
    int32_t prev; // while indexed: the older indexed definition of the name, or -1
  };
  struct Level {
    kxset *set = nullptr;
    uint32_t first = 0; // its first definition on the stack
  };

  // Drops the definitions from `size` on.
  void cut(size_t size) {
    if (indexed_ > size) unindex(size);
    defs_.resize(size);
  }
  void unindex(size_t size);
  void sync();
  void rebuild();
  void index_put(uint32_t pos);
  void index_drop(uint32_t pos);
  size_t home(uint32_t print) const noexcept;

  int level_ = 0;
  Level levels_[kLevels];
  std::vector<Def> defs_;
  // Open addressing over defs_[0, indexed_): each slot holds a position + 1
  // (0: free) and a fingerprint of the record's address, so that probing
  // rarely visits the definitions.
  struct Slot {
    uint32_t pos1;
    uint32_t print;
  };
  std::vector<Slot> index_;
  size_t indexed_ = 0;
};

} // namespace sio
