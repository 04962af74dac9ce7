// The memory of sets, their bodies, attribute arrays and atom records.
//
// While a file is read (a ReadArena is alive), blocks are cut in turn from
// large chunks, so that the sets of one file lie one after the other in
// reading order and building the tree writes memory as a stream. Such a
// chunk only counts its live blocks and is reused whole once the last one
// is freed (the tree of a file is usually freed as a whole).
//
// Other blocks come from free lists per size class, cut from chunks of their
// own, so that sets made and dropped one by one (editing, compiling) reuse
// their memory. Large blocks come from the heap. Under AddressSanitizer every
// block comes from the heap, so that each is checked on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
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

// Bytes of chunk blocks in use, and bytes of chunks held from the heap: the
// memory benchmarks count blocks by use rather than chunks by size.
inline size_t live_bytes = 0;
inline size_t chunk_bytes = 0;

// Blocks above this size come from the heap.
inline constexpr size_t kMaxBlock = 2048;

void free_block(void *p, size_t size) noexcept;

// Every block is aligned to 8 bytes, enough for what lives in them
// (pointers, counts, texts). Blocks cut in reading order are packed at that
// alignment (a set takes 24 bytes rather than 32, and a database holds
// hundreds of thousands); the size classes step by 16, so that blocks of
// sets made one by one, which lie scattered, never straddle a cache line.
inline constexpr size_t kAlign = 8;
inline constexpr size_t kClassStep = 16;
constexpr size_t packed_size(size_t size) { return (size + kAlign - 1) & ~(kAlign - 1); }
constexpr size_t class_size(size_t size) { return (size + kClassStep - 1) & ~(kClassStep - 1); }

#ifndef KX_POOL_BYPASS
// While a file is read: the free bytes of the chunk blocks are cut from, and
// its count of live blocks. Cutting a block is the commonest step of reading
// (sets, attribute arrays, names), so it is done inline; everything else
// (a new chunk, the size classes) is left to alloc_block_slow.
struct Cursor {
  std::byte *next = nullptr, *end = nullptr;
  size_t *live = nullptr;
  bool reading = false;
};
inline Cursor cursor;
#endif

void *alloc_block_slow(size_t size);

inline void *alloc_block(size_t size) {
#ifndef KX_POOL_BYPASS
  size_t packed = packed_size(size);
  if (cursor.reading && size - 1 < kMaxBlock && static_cast<size_t>(cursor.end - cursor.next) >= packed) {
    void *p = cursor.next;
    cursor.next += packed;
    ++*cursor.live;
    live_bytes += packed;
    return p;
  }
#endif
  return alloc_block_slow(size);
}

// While alive, blocks are cut in reading order (see above). Nests.
class ReadArena {
public:
  ReadArena();
  ~ReadArena();
  ReadArena(const ReadArena &) = delete;
  ReadArena &operator=(const ReadArena &) = delete;
};

// A standard allocator over the blocks, for the arrays of sets.
template <typename T> struct ChunkAllocator {
  using value_type = T;
  ChunkAllocator() noexcept = default;
  template <typename U> ChunkAllocator(const ChunkAllocator<U> &) noexcept {} // NOLINT: rebinding
  static_assert(alignof(T) <= kAlign, "blocks are only 8-aligned");
  T *allocate(size_t n) {
    if (n > std::numeric_limits<size_t>::max() / sizeof(T)) throw std::bad_alloc();
    return static_cast<T *>(alloc_block(n * sizeof(T)));
  }
  void deallocate(T *p, size_t n) noexcept { free_block(p, n * sizeof(T)); }
  template <typename U> bool operator==(const ChunkAllocator<U> &) const noexcept { return true; }
};

} // namespace kxpool
