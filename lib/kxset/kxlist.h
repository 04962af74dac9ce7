// kxlist: an ordered list with positional insertion and removal. Elements
// are held by value in one contiguous block, so indexed access costs one step
// and a walk by rising index is linear in total.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

template <typename T, typename Alloc = std::allocator<T>> class kxlist {
public:
  size_t count() const noexcept { return items_.size(); }
  bool empty() const noexcept { return items_.empty(); }

  // Adds at the tail; returns 0.
  int append(T data) {
    items_.push_back(std::move(data));
    return 0;
  }

  // Makes an element at the tail from `args`; returns it.
  template <typename... Args> T &emplace(Args &&...args) { return items_.emplace_back(std::forward<Args>(args)...); }

  // Position 0 adds at the head; position p > 0 makes the element element p.
  // Fails with -1 when the list has fewer than p elements.
  int insert(T data, size_t position) {
    if (position > items_.size()) return -1;
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(position), std::move(data));
    return 0;
  }

  // Element i (from 0), or null.
  T *find(size_t i) noexcept { return i < items_.size() ? &items_[i] : nullptr; }
  const T *find(size_t i) const noexcept { return i < items_.size() ? &items_[i] : nullptr; }

  // First element for which pred(element) holds, or null.
  template <typename Pred> T *find_if(Pred pred) {
    for (T &e : items_)
      if (pred(e)) return &e;
    return nullptr;
  }
  template <typename Pred> bool memb(Pred pred) { return find_if(pred) != nullptr; }

  // Removes element i: -1 on an empty list, 0 otherwise (also when i is
  // past the end, which removes nothing).
  int remove(size_t i) {
    if (items_.empty()) return -1;
    if (i < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    return 0;
  }

  // Removes the first element matching pred; -1 when none matched.
  template <typename Pred> int remove_if(Pred pred) {
    for (size_t i = 0; i < items_.size(); ++i)
      if (pred(items_[i])) {
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
        return 0;
      }
    return -1;
  }

  void clear() noexcept { items_.clear(); }
  void reserve(size_t n) { items_.reserve(n); }

  T &operator[](size_t i) noexcept { return items_[i]; }
  const T &operator[](size_t i) const noexcept { return items_[i]; }
  auto begin() noexcept { return items_.begin(); }
  auto end() noexcept { return items_.end(); }
  auto begin() const noexcept { return items_.begin(); }
  auto end() const noexcept { return items_.end(); }

private:
  std::vector<T, Alloc> items_;
};
