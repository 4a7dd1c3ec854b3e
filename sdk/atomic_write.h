// Stand-in host: files written whole or not at all.
#pragma once
#include <string>

// Writes data to a temporary file beside path, flushes it and renames it
// over path. On failure path is untouched, the temporary file is removed
// and error says why.
bool WriteFileAtomic(const std::string& path, const std::string& data, std::string& error);
