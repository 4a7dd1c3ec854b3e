// Reading glTF accessors from a loaded model, with every offset checked.
#pragma once
#include <string>
#include <vector>

#include <tiny_gltf.h>

// The accessor's elements as doubles, components per element in order;
// normalised integers map to [0, 1] or [-1, 1], sparse values are applied. False
// with a message starting "accessor out of bounds" when the data lies outside
// its buffer view or buffer, or "invalid glTF file" for a malformed accessor.
bool ReadGltfAccessor(const tinygltf::Model& model, int accessor, std::vector<double>& values,
                      int& components, std::string& error);
