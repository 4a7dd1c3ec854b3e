// Building a GLB from arrays: buffer views and accessors over one growing
// binary chunk, for the generated sample characters.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

struct GlbBuilder {
  std::string data;  // the binary chunk
  nlohmann::json views = nlohmann::json::array();
  nlohmann::json accessors = nlohmann::json::array();

  // A buffer view over new bytes, 4-aligned; target 0 for none.
  int View(const void* p, size_t bytes, int target);
  // Accessors over new data: floats (with min and max when bounds), joint
  // indices as unsigned short VEC4, triangle indices as unsigned int.
  int Floats(const std::vector<float>& v, const char* type, int comps, int target, bool bounds);
  int Shorts(const std::vector<std::uint16_t>& v, int target);
  int Indices(const std::vector<std::uint32_t>& v);
  // The document with the chunk as its one buffer, as GLB bytes.
  std::string Glb(nlohmann::json doc) const;
};
