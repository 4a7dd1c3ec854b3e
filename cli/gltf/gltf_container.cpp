// GLB framing and base64 for embedded buffers.
#include "cli/gltf/gltf_container.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint32_t kMagic = 0x46546C67;      // "glTF"
constexpr std::uint32_t kJsonChunk = 0x4E4F534A;  // "JSON"
constexpr std::uint32_t kBinChunk = 0x004E4942;   // "BIN\0"

std::uint32_t U32(const std::string& s, size_t at) {
  std::uint32_t v;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}

void PutU32(std::string& s, std::uint32_t v) {
  char b[4];
  std::memcpy(b, &v, 4);
  s.append(b, 4);
}

}  // namespace

bool SplitGltfContainer(const std::string& bytes, GltfContainer& out, std::string& error) {
  out = GltfContainer();
  if (bytes.size() < 4 || U32(bytes, 0) != kMagic) {
    out.json = bytes;
    return true;
  }
  out.glb = true;
  if (bytes.size() < 20 || U32(bytes, 8) > bytes.size()) {
    error = "truncated GLB: the file is shorter than its header says";
    return false;
  }
  const size_t total = U32(bytes, 8);
  size_t at = 12;
  bool first = true;
  while (at + 8 <= total) {
    const size_t len = U32(bytes, at), type = U32(bytes, at + 4);
    if (len > total - at - 8) {
      error = "truncated GLB: a chunk runs past the end of the file";
      return false;
    }
    if (first && type != kJsonChunk) {
      error = "invalid glTF file: the first GLB chunk is not JSON";
      return false;
    }
    if (first) {
      out.json = bytes.substr(at + 8, len);
    } else if (type == kBinChunk && !out.hasBin) {
      out.hasBin = true;
      out.bin = bytes.substr(at + 8, len);
    }
    first = false;
    at += 8 + len;
  }
  if (first) {
    error = "truncated GLB: no JSON chunk";
    return false;
  }
  return true;
}

std::string JoinGlb(const std::string& jsonIn, const std::string& binIn, bool hasBin) {
  std::string json = jsonIn, bin = binIn;
  while (json.size() % 4) json += ' ';
  while (bin.size() % 4) bin += '\0';
  const size_t total = 12 + 8 + json.size() + (hasBin ? 8 + bin.size() : 0);
  std::string out;
  out.reserve(total);
  PutU32(out, kMagic);
  PutU32(out, 2);
  PutU32(out, std::uint32_t(total));
  PutU32(out, std::uint32_t(json.size()));
  PutU32(out, kJsonChunk);
  out += json;
  if (hasBin) {
    PutU32(out, std::uint32_t(bin.size()));
    PutU32(out, kBinChunk);
    out += bin;
  }
  return out;
}

std::string Base64Encode(const std::string& data) {
  static const char* k = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < data.size(); i += 3) {
    const std::uint32_t v = (std::uint8_t(data[i]) << 16) | (std::uint8_t(data[i + 1]) << 8) | std::uint8_t(data[i + 2]);
    out += k[v >> 18];
    out += k[(v >> 12) & 63];
    out += k[(v >> 6) & 63];
    out += k[v & 63];
  }
  if (i < data.size()) {
    std::uint32_t v = std::uint8_t(data[i]) << 16;
    if (i + 1 < data.size()) v |= std::uint8_t(data[i + 1]) << 8;
    out += k[v >> 18];
    out += k[(v >> 12) & 63];
    out += i + 1 < data.size() ? k[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}
