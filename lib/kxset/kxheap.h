// KxHeap: a fixed-capacity binary min-heap of (weight, item) pairs, used to
// build the code tree of the compressed set encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class KxHeap {
public:
  struct Entry {
    uint64_t weight;
    size_t item;
  };

  explicit KxHeap(size_t capacity);

  // Adds a pair: 0, or -1 when the heap is full.
  int insert(uint64_t weight, size_t item);
  // Takes the lightest pair: 0, or -1 when the heap is empty.
  int remove(Entry &out);

  size_t size() const noexcept { return heap_.size(); }
  size_t capacity() const noexcept { return capacity_; }
  bool empty() const noexcept { return heap_.empty(); }

private:
  std::vector<Entry> heap_;
  size_t capacity_;
};
