// For a short-lived program that is about to build a large structure in
// memory (kx reading a filter script of some megabytes): the heap's pages
// are made in one go, one system call instead of one page fault each (on a
// virtual machine a fault costs some microseconds: thousands of them cost
// more than the reading itself), as huge pages where the system allows, and
// what is freed stays in the heap for the next allocation instead of going
// back to the system to fault in again.
#pragma once

#include <cstddef>

namespace kxu {

// Call before starting threads. Grows the heap by `bytes`, made present at
// once where the system can; large blocks then come from the heap as well.
void prefault_heap(size_t bytes);

} // namespace kxu
