#include "kxset/kxheap.h"

#include <utility>

KxHeap::KxHeap(size_t capacity) : capacity_(capacity) { heap_.reserve(capacity); }

int KxHeap::insert(uint64_t weight, size_t item) {
  if (heap_.size() >= capacity_) return -1;
  heap_.push_back({weight, item});
  // Sift up past heavier parents only: a parent of equal weight stays above,
  // so equal weights leave in insertion order along one path.
  size_t i = heap_.size() - 1;
  while (i > 0) {
    size_t parent = (i - 1) / 2;
    if (heap_[parent].weight <= heap_[i].weight) break;
    std::swap(heap_[parent], heap_[i]);
    i = parent;
  }
  return 0;
}

int KxHeap::remove(Entry &out) {
  if (heap_.empty()) return -1;
  out = heap_.front();
  heap_.front() = heap_.back();
  heap_.pop_back();
  size_t n = heap_.size();
  size_t i = 0;
  for (;;) {
    size_t left = 2 * i + 1;
    if (left >= n) break;
    size_t right = left + 1;
    // Towards the lighter child, the left one on equal weights.
    size_t child = (right < n && heap_[right].weight < heap_[left].weight) ? right : left;
    if (heap_[i].weight <= heap_[child].weight) break;
    std::swap(heap_[i], heap_[child]);
    i = child;
  }
  return 0;
}
