// Definitions of a script by name: the entries in one array in the order of
// their first definition, found through an open-addressing index of their
// places. A script defines thousands of addresses that are looked up for
// every list member and walked for every module: one array keeps them
// together where a node per entry scatters them over the heap.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kxnft {

template <class T> class NameMap {
public:
  using value_type = std::pair<std::string, T>;
  using iterator = typename std::vector<value_type>::iterator;
  using const_iterator = typename std::vector<value_type>::const_iterator;

  iterator begin() { return entries_.begin(); }
  iterator end() { return entries_.end(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

  const_iterator find(std::string_view name) const {
    uint32_t e = slots_.empty() ? 0 : slots_[place(name, hash(name))].entry;
    return e ? entries_.begin() + (e - 1) : entries_.end();
  }
  iterator find(std::string_view name) {
    uint32_t e = slots_.empty() ? 0 : slots_[place(name, hash(name))].entry;
    return e ? entries_.begin() + (e - 1) : entries_.end();
  }
  size_t count(std::string_view name) const { return find(name) != end() ? 1 : 0; }
  const T &at(std::string_view name) const {
    auto it = find(name);
    if (it == end())
      throw std::out_of_range("no definition of " + std::string(name));
    return it->second;
  }

  // Room for n entries without moving them.
  void reserve(size_t n) {
    entries_.reserve(n);
    while (slots_.size() < n * 2)
      grow();
  }

  // The entry of `name`, made with a default value when there is none.
  std::pair<iterator, bool> try_emplace(std::string_view name) {
    if ((entries_.size() + 1) * 2 > slots_.size())
      grow();
    uint32_t h = hash(name);
    Slot &s = slots_[place(name, h)];
    if (s.entry)
      return {entries_.begin() + (s.entry - 1), false};
    entries_.emplace_back(std::string(name), T());
    s = {uint32_t(entries_.size()), h};
    return {entries_.end() - 1, true};
  }
  void insert_or_assign(std::string_view name, T value) { try_emplace(name).first->second = std::move(value); }

private:
  struct Slot {
    uint32_t entry = 0; // place in entries_ plus one; 0 for a free slot
    uint32_t hash = 0;
  };

  static uint32_t hash(std::string_view name) { return uint32_t(std::hash<std::string_view>{}(name)); }

  // The slot holding `name`, else the free slot where it would go (there
  // is always one: the index is kept at most half full, and not empty).
  size_t place(std::string_view name, uint32_t h) const {
    size_t mask = slots_.size() - 1;
    for (size_t i = h & mask;; i = (i + 1) & mask) {
      const Slot &s = slots_[i];
      if (!s.entry || (s.hash == h && entries_[s.entry - 1].first == name))
        return i;
    }
  }

  void grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
    size_t mask = slots_.size() - 1;
    for (const Slot &s : old)
      if (s.entry) {
        size_t i = s.hash & mask;
        while (slots_[i].entry)
          i = (i + 1) & mask;
        slots_[i] = s;
      }
  }

  std::vector<value_type> entries_;
  std::vector<Slot> slots_; // a power of two long
};

} // namespace kxnft
