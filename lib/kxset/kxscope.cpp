#include "kxset/kxscope.h"

#include <utility>

KxScope::KxScope(kxset *base) { sets_[0] = base; }

int KxScope::Push(kxset *set) {
  if (level_ + 1 >= kLevels) return -1;
  ++level_;
  ++gen_[level_];
  sets_[level_] = set;
  return level_;
}

int KxScope::Pop() {
  if (level_ == 0) return 0;
  sets_[level_] = nullptr;
  return --level_;
}

// The atom's own hash spread over the table size (a power of two).
static size_t slot_index(const KxAtom &name, size_t mask) {
  return (static_cast<size_t>(name.hash()) * 0x9E3779B97F4A7C15ull >> 32) & mask;
}

KxScope::Slot *KxScope::find_slot(const KxAtom &name) {
  if (slots_.empty()) return nullptr;
  size_t mask = slots_.size() - 1;
  for (size_t i = slot_index(name, mask);; i = (i + 1) & mask) {
    Slot &s = slots_[i];
    if (s.name == name) return &s;
    if (s.name.is_zero()) return nullptr;
  }
}

void KxScope::grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_ = std::vector<Slot>(old.empty() ? 256 : old.size() * 2);
  size_t mask = slots_.size() - 1;
  for (Slot &o : old) {
    if (o.name.is_zero()) continue;
    size_t i = slot_index(o.name, mask);
    while (!slots_[i].name.is_zero()) i = (i + 1) & mask;
    slots_[i] = std::move(o);
  }
}

KxScope::Slot &KxScope::insert_slot(const KxAtom &name) {
  if (Slot *s = find_slot(name)) return *s;
  if ((used_ + 1) * 4 > slots_.size() * 3) grow();
  size_t mask = slots_.size() - 1;
  size_t i = slot_index(name, mask);
  while (!slots_[i].name.is_zero()) i = (i + 1) & mask;
  ++used_;
  slots_[i].name = name;
  slots_[i].head = -1;
  return slots_[i];
}

int32_t KxScope::new_entry(const Entry &e) {
  if (free_ >= 0) {
    int32_t i = free_;
    free_ = entries_[i].next;
    entries_[i] = e;
    return i;
  }
  entries_.push_back(e);
  return static_cast<int32_t>(entries_.size() - 1);
}

void KxScope::free_entry(int32_t i) {
  entries_[i].set = nullptr;
  entries_[i].next = free_;
  free_ = i;
}

int KxScope::Add(const KxAtom &name, kxset *set) {
  if (!name.is_named()) return -1;
  Slot &s = insert_slot(name);
  uint32_t lv = static_cast<uint32_t>(level_);
  s.head = new_entry({set, lv, gen_[lv], s.head});
  return 0;
}

kxset *KxScope::Get(const KxAtom &name) {
  Slot *s = find_slot(name);
  if (!s) return nullptr;
  while (s->head >= 0) {
    int32_t i = s->head;
    if (alive(entries_[i])) return entries_[i].set;
    s->head = entries_[i].next;
    free_entry(i);
  }
  return nullptr;
}
