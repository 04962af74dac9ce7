#include "kxset/kxscope.h"

#include <algorithm>

namespace {

// Levels with more definitions than this are searched through a hash index.
constexpr size_t kIndexFrom = 16;

size_t slot_of(const KxAtom &name, size_t mask) {
  return (static_cast<uint64_t>(name.hash()) * 0x9E3779B97F4A7C15ull >> 32) & mask;
}

// Two bit positions per name for the Bloom filter (size: a power of two).
struct BloomBits {
  size_t a, b;
  BloomBits(const KxAtom &name, size_t bits) {
    uint64_t h = static_cast<uint64_t>(name.hash()) * 0xC2B2AE3D27D4EB4Full;
    a = static_cast<size_t>(h >> 20) & (bits - 1);
    b = static_cast<size_t>(h >> 42) & (bits - 1);
  }
};

bool bloom_test(const std::vector<uint64_t> &bloom, const KxAtom &name) {
  BloomBits p(name, bloom.size() * 64);
  return (bloom[p.a >> 6] >> (p.a & 63) & 1) && (bloom[p.b >> 6] >> (p.b & 63) & 1);
}

void bloom_set(std::vector<uint64_t> &bloom, const KxAtom &name) {
  BloomBits p(name, bloom.size() * 64);
  bloom[p.a >> 6] |= uint64_t{1} << (p.a & 63);
  bloom[p.b >> 6] |= uint64_t{1} << (p.b & 63);
}

} // namespace

KxScope::KxScope(kxset *base) { levels_[0].set = base; }

int KxScope::Push(kxset *set) {
  if (level_ + 1 >= kLevels) return -1;
  Level &l = levels_[++level_];
  l.clear(); // a new generation: the old definitions of this level die
  l.set = set;
  return level_;
}

int KxScope::Pop() {
  if (level_ == 0) return 0;
  levels_[level_].set = nullptr;
  return --level_;
}

int KxScope::Add(const KxAtom &name, kxset *set, int tag) {
  if (!name.is_named()) return -1;
  levels_[level_].add(name, set, tag);
  return 0;
}

kxset *KxScope::Get(const KxAtom &name, int *tag) const {
  if (!name.is_named()) return nullptr;
  for (int l = level_; l >= 0; --l)
    if (const Def *d = levels_[l].find(name)) {
      if (tag) *tag = d->tag;
      return d->set;
    }
  return nullptr;
}

void KxScope::Level::clear() {
  if (defs.empty()) return;
  if (indexed > 0) {
    if (indexed * 16 < index.size()) {
      // Free only the slots in use, so a small level in a big index costs
      // no more to clear than it cost to fill.
      size_t mask = index.size() - 1;
      for (size_t p = 0; p < indexed; ++p)
        for (size_t i = slot_of(defs[p].name, mask); index[i].pos >= 0; i = (i + 1) & mask) index[i].pos = -1;
    } else {
      std::fill(index.begin(), index.end(), Slot{-1, 0});
    }
  }
  if (filtered > 0) std::fill(bloom.begin(), bloom.end(), 0);
  indexed = filtered = 0;
  defs.clear();
}

void KxScope::Level::add(const KxAtom &name, kxset *set, int tag) { defs.push_back({name, set, tag}); }

// Brings the filter up to date with defs; below 8 bits a name it is made
// anew, at 16 to 32.
void KxScope::Level::filter() const {
  if (filtered == defs.size()) return;
  if (bloom.size() * 64 < defs.size() * 8) {
    size_t words = 64;
    while (words * 64 < defs.size() * 16) words *= 2;
    bloom.assign(words, 0);
    filtered = 0;
  }
  for (; filtered < defs.size(); ++filtered) bloom_set(bloom, defs[filtered].name);
}

// Brings the index up to date with defs; growing it rebuilds it whole.
void KxScope::Level::sync() const {
  if (indexed == defs.size()) return;
  if (index.empty() || defs.size() * 2 > index.size()) {
    rebuild();
    return;
  }
  // The names' records and then their slots are asked for a few
  // definitions ahead, so that their misses overlap.
  constexpr size_t kAhead = 8;
  size_t mask = index.size() - 1;
  for (size_t p = indexed; p < defs.size() && p < indexed + kAhead; ++p) __builtin_prefetch(defs[p].name.record());
  for (; indexed < defs.size(); ++indexed) {
    if (indexed + 2 * kAhead < defs.size()) __builtin_prefetch(defs[indexed + 2 * kAhead].name.record());
    if (indexed + kAhead < defs.size()) __builtin_prefetch(&index[slot_of(defs[indexed + kAhead].name, mask)], 1);
    index_put(static_cast<int32_t>(indexed));
  }
}

// Enters defs[pos] in the index; a newer definition of a name replaces the
// older one in its slot.
void KxScope::Level::index_put(int32_t pos) const {
  size_t mask = index.size() - 1;
  const KxAtom &name = defs[static_cast<size_t>(pos)].name;
  uint32_t h = name.hash();
  size_t i = slot_of(name, mask);
  while (index[i].pos >= 0 && !(index[i].hash == h && defs[static_cast<size_t>(index[i].pos)].name == name))
    i = (i + 1) & mask;
  index[i] = {pos, h};
}

void KxScope::Level::rebuild() const {
  size_t size = index.empty() ? 64 : index.size();
  while (size < defs.size() * 4) size *= 2;
  index.assign(size, Slot{-1, 0});
  indexed = 0;
  sync();
}

const KxScope::Def *KxScope::Level::find(const KxAtom &name) const {
  if (defs.size() <= kIndexFrom) {
    for (size_t p = defs.size(); p-- > 0;)
      if (defs[p].name == name) return &defs[p];
    return nullptr;
  }
  filter();
  if (!bloom_test(bloom, name)) return nullptr;
  sync();
  size_t mask = index.size() - 1;
  uint32_t h = name.hash();
  for (size_t i = slot_of(name, mask); index[i].pos >= 0; i = (i + 1) & mask)
    if (index[i].hash == h && defs[static_cast<size_t>(index[i].pos)].name == name)
      return &defs[static_cast<size_t>(index[i].pos)];
  return nullptr;
}
