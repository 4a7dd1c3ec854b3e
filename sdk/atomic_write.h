// Stand-in host: files written whole or not at all.
#pragma once
#include <cstddef>
#include <functional>
#include <string>

// Writes data to a temporary file beside path, flushes it and renames it
// over path. On failure path is untouched, the temporary file is removed
// and error says why.
bool WriteFileAtomic(const std::string& path, const std::string& data, std::string& error);

// For tests: a write that fails part-way. The hook sees each chunk about to
// be written and how much went before; returning false fails the write there
// with ENOSPC, as a full disk would. An empty hook restores normal writing.
using AtomicWriteFault = std::function<bool(size_t offset, size_t size)>;
void SetAtomicWriteFaultForTesting(AtomicWriteFault fault);
