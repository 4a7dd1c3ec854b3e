#pragma once
// Relative URIs of a glTF file's buffers and images, as file paths.

#include <string>

// "%20" and the like back to the bytes they stand for.
std::string PercentDecode(const std::string& s);

// A relative path as a URI: everything but unreserved and path characters escaped.
std::string PercentEncodePath(const std::string& s);
