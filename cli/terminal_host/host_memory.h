// How the host keeps memory: every evaluation of a stack copies the mesh
// it starts from, hundreds of kilobytes for a real character, thousands of
// times in a bake. Left to its defaults the C library hands such blocks back
// to the system and takes them again page by page at each copy.
#pragma once

// Keeps freed memory for reuse; call once at start-up, before any big allocation.
void KeepFreedMemoryForReuse();
