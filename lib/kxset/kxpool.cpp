#include "kxset/kxpool.h"

#include <cstdlib>
#include <vector>

namespace kxpool {

#ifndef KX_POOL_BYPASS
namespace {

// Chunks are aligned to their size, so a block finds its chunk's header by
// masking its address.
constexpr size_t kChunk = size_t{1} << 16;
constexpr size_t kHeader = 64;      // keeps blocks aligned and off the header's line
constexpr size_t kKeepEmpty = 1024; // empty reading chunks kept for the next file
constexpr size_t kClasses = kMaxBlock / kClassStep;

struct Chunk {
  size_t live = 0;      // reading chunks: blocks in use
  bool reading = false; // cut in reading order, else carved for one size class
};

struct FreeBlock {
  FreeBlock *next;
};

Chunk *chunk_of(void *p) {
  return reinterpret_cast<Chunk *>(reinterpret_cast<uintptr_t>(p) & ~(kChunk - 1));
}

std::byte *payload(Chunk *c) { return reinterpret_cast<std::byte *>(c) + kHeader; }

Chunk *fresh_chunk(bool reading) {
  void *mem = std::aligned_alloc(kChunk, kChunk);
  if (!mem) throw std::bad_alloc();
  chunk_bytes += kChunk;
  Chunk *c = new (mem) Chunk();
  c->reading = reading;
  return c;
}

// Never destroyed: blocks may be freed during static destruction.
struct Arena {
  int readers = 0;
  // Reading: the chunk blocks are cut from (its free bytes are `cursor`'s),
  // empty chunks.
  Chunk *current = nullptr;
  std::vector<Chunk *> empty;
  // Size classes of 16, 32, ... kMaxBlock bytes.
  FreeBlock *free[kClasses] = {};

  void start(Chunk *c) {
    current = c;
    cursor.next = payload(c);
    cursor.end = reinterpret_cast<std::byte *>(c) + kChunk;
    cursor.live = &c->live;
  }

  void *cut(size_t size) {
    if (static_cast<size_t>(cursor.end - cursor.next) < size) {
      Chunk *old = current;
      Chunk *c = nullptr;
      if (!empty.empty()) {
        c = empty.back();
        empty.pop_back();
      } else {
        c = fresh_chunk(true);
      }
      start(c);
      // Nothing of the old chunk is live: no later free would find it empty.
      if (old && old->live == 0) retire(old);
    }
    void *p = cursor.next;
    cursor.next += size;
    ++current->live;
    return p;
  }

  void uncut(Chunk *c) noexcept {
    if (--c->live > 0) return;
    if (c == current) start(c); // start over in the same chunk
    else retire(c);
  }

  void retire(Chunk *c) noexcept {
    if (empty.size() < kKeepEmpty) {
      try {
        empty.push_back(c);
        return;
      } catch (...) {
      }
    }
    chunk_bytes -= kChunk;
    std::free(c);
  }

  void *take(size_t size) {
    FreeBlock *&head = free[size / kClassStep - 1];
    if (!head) {
      // Carve a chunk of its own into blocks of this size, in address order.
      Chunk *c = fresh_chunk(false);
      std::byte *first = payload(c);
      size_t n = (kChunk - kHeader) / size;
      for (size_t i = n; i-- > 0;) {
        auto *b = reinterpret_cast<FreeBlock *>(first + i * size);
        b->next = head;
        head = b;
      }
    }
    FreeBlock *b = head;
    head = b->next;
    return b;
  }

  void give(void *p, size_t size) noexcept {
    auto *b = static_cast<FreeBlock *>(p);
    FreeBlock *&head = free[size / kClassStep - 1];
    b->next = head;
    head = b;
  }
};

Arena &arena() {
  static Arena *a = new Arena();
  return *a;
}

} // namespace

void *alloc_block_slow(size_t size) {
  if (size == 0) size = 1;
  if (size > kMaxBlock) return ::operator new(size);
  Arena &a = arena();
  if (a.readers > 0) {
    size = packed_size(size);
    void *p = a.cut(size);
    live_bytes += size;
    return p;
  }
  size = class_size(size);
  void *p = a.take(size);
  live_bytes += size;
  return p;
}

void free_block(void *p, size_t size) noexcept {
  if (!p) return;
  if (size == 0) size = 1;
  if (size > kMaxBlock) {
    ::operator delete(p);
    return;
  }
  Chunk *c = chunk_of(p);
  if (c->reading) {
    live_bytes -= packed_size(size);
    arena().uncut(c);
  } else {
    live_bytes -= class_size(size);
    arena().give(p, class_size(size));
  }
}

ReadArena::ReadArena() { cursor.reading = ++arena().readers > 0; }
ReadArena::~ReadArena() { cursor.reading = --arena().readers > 0; }

#else

void *alloc_block_slow(size_t size) { return ::operator new(size == 0 ? 1 : size); }
void free_block(void *p, size_t) noexcept { ::operator delete(p); }
ReadArena::ReadArena() = default;
ReadArena::~ReadArena() = default;

#endif

} // namespace kxpool
