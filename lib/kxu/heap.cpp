#include "kxu/heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace kxu {

void prefault_heap(size_t bytes) {
  // Every thread allocates from the one heap made here; blocks up to the
  // largest threshold malloc takes are cut from it, and nothing freed is
  // trimmed off its top.
  mallopt(M_ARENA_MAX, 1);
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  if (bytes == 0)
    return;
  void *block = malloc(bytes);
  if (!block)
    return;
  uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  uintptr_t begin = (uintptr_t(block) + page - 1) & ~(page - 1);
  uintptr_t end = (uintptr_t(block) + bytes) & ~(page - 1);
  if (end > begin) {
    // Huge pages where the system gives them for the asking: a few zeroed
    // blocks instead of thousands of small pages each set up on its own.
    madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    // Older kernels refuse the advice: the pages then come as they are used.
    madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE);
#endif
  }
  free(block);
}

} // namespace kxu
