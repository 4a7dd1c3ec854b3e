#include "cli/studio/studio_assets.h"

// The generated table (studio_assets_data.cpp, made by embed_assets.cmake).
extern const StudioAsset kStudioAssets[];
extern const std::size_t kStudioAssetCount;

namespace {

bool EndsWith(const std::string& s, const char* tail) {
  const std::string t(tail);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

const StudioAsset* FindStudioAsset(const std::string& name) {
  for (std::size_t i = 0; i < kStudioAssetCount; ++i)
    if (name == kStudioAssets[i].name) return &kStudioAssets[i];
  return nullptr;
}

std::string StudioAssetContentType(const std::string& name) {
  if (EndsWith(name, ".html")) return "text/html; charset=utf-8";
  if (EndsWith(name, ".js")) return "text/javascript; charset=utf-8";
  if (EndsWith(name, ".css")) return "text/css; charset=utf-8";
  if (EndsWith(name, ".png")) return "image/png";
  return "application/octet-stream";
}
