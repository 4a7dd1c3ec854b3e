#include "cli/terminal_host/host_memory.h"

#include <malloc.h>

void KeepFreedMemoryForReuse() {
  // Blocks up to 256 MiB come from the heap, and the heap's top is only
  // given back past 1 GiB free: a mesh copy reuses the last one's pages.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
}
