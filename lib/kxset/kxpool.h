// Fixed-size block pools for the small records that a whole objects database
// holds by the hundred thousand (sets and their attribute bodies). Blocks come
// from large chunks and go back to a free list, which is several times
// cheaper than a heap allocation each. Under AddressSanitizer the pools step
// aside so that every block is checked on its own.
#pragma once

#include <cstddef>
#include <new>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KX_POOL_BYPASS 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KX_POOL_BYPASS 1
#endif

namespace kxpool {

// Bytes of pool blocks in use, all pools together (the heap's own figures
// count a chunk once, however many of its blocks are live).
inline size_t live_bytes = 0;

// One free list per block size. Chunks are never given back: they are
// reused by later sets, and a process that held a large database once is
// likely to load one again.
template <size_t Size> class FixedPool {
  static_assert(Size >= sizeof(void *));
  struct Node {
    Node *next;
  };

public:
  static void *alloc() {
#ifdef KX_POOL_BYPASS
    return ::operator new(Size);
#else
    if (!free_) refill();
    Node *n = free_;
    free_ = n->next;
    live_bytes += kBlock;
    return n;
#endif
  }

  static void release(void *p) noexcept {
#ifdef KX_POOL_BYPASS
    ::operator delete(p);
#else
    if (!p) return;
    Node *n = static_cast<Node *>(p);
    n->next = free_;
    free_ = n;
    live_bytes -= kBlock;
#endif
  }

private:
  static constexpr size_t kBlock = (Size + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
                                   alignof(std::max_align_t);
  static constexpr size_t kPerChunk = 4096;

  static void refill() {
    // Chunks stay reachable through the free list and the blocks in use.
    auto *chunk = static_cast<std::byte *>(::operator new(kBlock * kPerChunk));
    for (size_t i = kPerChunk; i-- > 0;) {
      Node *n = reinterpret_cast<Node *>(chunk + i * kBlock);
      n->next = free_;
      free_ = n;
    }
  }

  static inline Node *free_ = nullptr;
};

} // namespace kxpool
