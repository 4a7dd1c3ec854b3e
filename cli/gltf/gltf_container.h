// The two ways a glTF asset is stored: JSON text, or a GLB holding a JSON
// chunk and an optional binary chunk.
#pragma once
#include <string>

struct GltfContainer {
  bool glb = false;
  bool hasBin = false;  // a GLB with a BIN chunk
  std::string json;
  std::string bin;
};

// Splits file bytes; JSON text is taken whole. False with a message starting
// "truncated GLB" or "invalid glTF file" when the GLB framing is broken.
bool SplitGltfContainer(const std::string& bytes, GltfContainer& out, std::string& error);

// A GLB of the JSON and, when hasBin, the binary chunk, both padded to four
// bytes (spaces and zeros as the format asks).
std::string JoinGlb(const std::string& json, const std::string& bin, bool hasBin);

std::string Base64Encode(const std::string& data);
