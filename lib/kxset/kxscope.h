// KxScope: the name scopes of the set text format and its encodings.
//
// Level 0 holds the base set (a dictionary, or an empty set); every set being
// read or written is pushed one level deeper. A definition made at a level is
// visible at that level and deeper until the level is popped; pushing the
// level again (the next sibling) starts a new generation of it, which makes
// the old definitions of that level dead.
//
// Among the live definitions of a name the newest wins, and a live definition
// at a deeper level is always newer than one at a shallower level (the deeper
// level was entered after the shallower one last changed). So each level keeps
// only the definitions of its current generation, and a lookup searches from
// the current level down, newest first within a level.
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
  kxset *GetTop() const noexcept { return levels_[level_].set; }
  int level() const noexcept { return level_; }

  // Defines `name` as `set` at the current level; 0, or -1 for an empty name.
  // `tag` is kept with the definition for the caller (the reader keeps the
  // height of the set there).
  int Add(const KxAtom &name, kxset *set, int tag = 0);
  // The set of the newest live definition of `name`, or null; its tag goes
  // to `*tag` when asked for.
  kxset *Get(const KxAtom &name, int *tag = nullptr) const;

private:
  struct Def {
    KxAtom name;
    kxset *set;
    int tag;
  };
  // The definitions of one level's current generation, in order; levels that
  // collect many (a table of objects) also get a Bloom filter and a hash
  // index by name. The filter catches up with defs on lookup, the index only
  // when the filter lets a lookup through: most lookups are for names a big
  // level does not hold (the writer asks for every leaf), and entering a
  // definition in the large index costs a cache miss, which a batch of them
  // can share.
  struct Level {
    kxset *set = nullptr;
    std::vector<Def> defs;
    mutable size_t indexed = 0; // defs[0, indexed) are in the index
    mutable size_t filtered = 0; // defs[0, filtered) are in the filter
    // Slots of the hash index: the position in defs (-1: free) and the
    // name's hash, so that probing rarely touches defs.
    struct Slot {
      int32_t pos;
      uint32_t hash;
    };
    mutable std::vector<Slot> index;
    // The Bloom filter over the names of defs[0, filtered).
    mutable std::vector<uint64_t> bloom;
    void clear();
    void add(const KxAtom &name, kxset *set, int tag);
    const Def *find(const KxAtom &name) const;
    void filter() const;
    void sync() const;
    void rebuild() const;
    void index_put(int32_t pos) const;
  };

  int level_ = 0;
  Level levels_[kLevels];
};
