#include "kxset/sio_readscope.h"

namespace sio {

namespace {

// Definitions made since the last lookup that a lookup searches directly;
// beyond this many it indexes them first.
constexpr size_t kUnindexed = 32;

// The high half of a multiplicative hash of the record's address: its low
// bits pick the home slot, all of it is kept in the slot as a fingerprint.
uint32_t print_of(const KxAtom::Record *name) noexcept {
  return static_cast<uint32_t>(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(name)) * 0x9E3779B97F4A7C15ull >> 32);
}

} // namespace

ReadScope::ReadScope(kxset *base) {
  levels_[0].set = base;
  defs_.reserve(256);
}

size_t ReadScope::home(uint32_t print) const noexcept { return print & (index_.size() - 1); }

// Takes the indexed definitions from `size` on out of the index, newest
// first, so that each one leaves it as it entered it.
void ReadScope::unindex(size_t size) {
  while (indexed_ > size) index_drop(static_cast<uint32_t>(--indexed_));
}

kxset *ReadScope::Get(const KxAtom::Record *name, int *tag) {
  const Def *found = nullptr;
  if (defs_.size() - indexed_ > kUnindexed) sync();
  for (size_t p = defs_.size(); p > indexed_ && !found;)
    if (defs_[--p].name == name) found = &defs_[p];
  if (!found && !index_.empty()) {
    uint32_t print = print_of(name);
    size_t mask = index_.size() - 1;
    for (size_t i = home(print); index_[i].pos1 != 0; i = (i + 1) & mask)
      if (index_[i].print == print && defs_[index_[i].pos1 - 1].name == name) {
        found = &defs_[index_[i].pos1 - 1];
        break;
      }
  }
  if (!found) return nullptr;
  *tag = found->tag;
  return found->set;
}

// Brings the index up to the top of the stack; growing it rebuilds it whole.
void ReadScope::sync() {
  if (index_.empty() || defs_.size() * 2 > index_.size()) {
    rebuild();
    return;
  }
  for (; indexed_ < defs_.size(); ++indexed_) index_put(static_cast<uint32_t>(indexed_));
}

void ReadScope::rebuild() {
  size_t size = index_.empty() ? 256 : index_.size();
  while (size < defs_.size() * 4) size *= 2;
  index_.assign(size, Slot{0, 0});
  for (indexed_ = 0; indexed_ < defs_.size(); ++indexed_) index_put(static_cast<uint32_t>(indexed_));
}

// Enters defs_[pos]: it takes the slot of an older definition of its name,
// remembering it for when it leaves.
void ReadScope::index_put(uint32_t pos) {
  Def &d = defs_[pos];
  uint32_t print = print_of(d.name);
  size_t mask = index_.size() - 1;
  size_t i = home(print);
  for (; index_[i].pos1 != 0; i = (i + 1) & mask)
    if (index_[i].print == print && defs_[index_[i].pos1 - 1].name == d.name) break;
  d.prev = index_[i].pos1 != 0 ? static_cast<int32_t>(index_[i].pos1 - 1) : -1;
  index_[i] = {pos + 1, print};
}

// Takes defs_[pos], the newest indexed definition, out of the index: the
// older definition of its name returns to its slot, or the slot is freed
// and the gap closed (backward shift), so no tombstones slow later probes.
void ReadScope::index_drop(uint32_t pos) {
  const Def &d = defs_[pos];
  size_t mask = index_.size() - 1;
  size_t i = home(print_of(d.name));
  while (index_[i].pos1 != pos + 1) i = (i + 1) & mask;
  if (d.prev >= 0) {
    index_[i].pos1 = static_cast<uint32_t>(d.prev) + 1;
    return;
  }
  size_t hole = i;
  for (size_t j = (i + 1) & mask; index_[j].pos1 != 0; j = (j + 1) & mask) {
    size_t want = home(index_[j].print);
    bool stays = hole <= j ? (hole < want && want <= j) : (hole < want || want <= j);
    if (!stays) {
      index_[hole] = index_[j];
      hole = j;
    }
  }
  index_[hole] = {0, 0};
}

} // namespace sio
