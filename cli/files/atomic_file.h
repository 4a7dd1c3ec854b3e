// Writing output files so that a failure never leaves a half file behind.
#pragma once
#include <string>

// Writes data to a temporary file beside path, flushes it to disk and renames
// it over path. On failure path is untouched and error says why.
bool WriteFileAtomically(const std::string& path, const std::string& data, std::string& error);

// Reads a whole file. False with a message when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& data, std::string& error);
