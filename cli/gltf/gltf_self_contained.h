// A glTF file as one GLB that needs nothing beside it: what a page can carry
// inline and a client can parse without a request.
#pragma once
#include <string>

// The file's bytes when it is a GLB whose buffers and images are all inside
// it; otherwise a GLB with every buffer (data URI or file beside it) joined
// into the binary chunk and every image moved into a buffer view. Nothing
// else changes. False with a message when a referenced file cannot be read.
bool SelfContainedGlb(const std::string& path, std::string& glb, std::string& error);
