// The page's files, built into the program: its own HTML, script and style
// sheet and the 3D library's modules. Nothing else is ever served.
#pragma once
#include <cstddef>
#include <string>

struct StudioAsset {
  const char* name;  // as the page asks for it: "index.html", "three.module.js", ...
  const char* data;
  std::size_t size;
};

// The asset with exactly this name, or nullptr.
const StudioAsset* FindStudioAsset(const std::string& name);
// The content type for the asset's name (by its extension).
std::string StudioAssetContentType(const std::string& name);
