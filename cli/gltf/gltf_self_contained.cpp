#include "cli/gltf/gltf_self_contained.h"

#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/files/atomic_file.h"
#include "cli/gltf/gltf_container.h"
#include "cli/gltf/gltf_uri.h"

namespace {

using Json = nlohmann::json;
namespace fs = std::filesystem;

bool Base64Decode(const std::string& text, std::string& out) {
  out.clear();
  std::uint32_t bits = 0;
  int have = 0;
  for (char ch : text) {
    int v;
    if (ch >= 'A' && ch <= 'Z') v = ch - 'A';
    else if (ch >= 'a' && ch <= 'z') v = ch - 'a' + 26;
    else if (ch >= '0' && ch <= '9') v = ch - '0' + 52;
    else if (ch == '+' || ch == '-') v = 62;
    else if (ch == '/' || ch == '_') v = 63;
    else if (ch == '=') break;
    else return false;
    bits = (bits << 6) | std::uint32_t(v);
    if ((have += 6) >= 8) {
      have -= 8;
      out += char((bits >> have) & 0xFF);
    }
  }
  return true;
}

// The bytes a URI names: a data URI's payload or a file beside the source.
bool UriBytes(const std::string& uri, const fs::path& dir, std::string& bytes, std::string& mime, std::string& error) {
  if (uri.rfind("data:", 0) == 0) {
    const size_t comma = uri.find(',');
    const std::string head = uri.substr(5, comma == std::string::npos ? 0 : comma - 5);
    mime = head.substr(0, head.find(';'));
    if (comma == std::string::npos || head.find(";base64") == std::string::npos ||
        !Base64Decode(uri.substr(comma + 1), bytes)) {
      error = "a data URI that is not base64";
      return false;
    }
    return true;
  }
  const std::string ext = fs::path(uri).extension().string();
  mime = ext == ".png" ? "image/png" : ext == ".jpg" || ext == ".jpeg" ? "image/jpeg" : ext == ".webp" ? "image/webp" : "";
  return ReadWholeFile((dir / PercentDecode(uri)).string(), bytes, error);
}

void Pad4(std::string& s) {
  while (s.size() % 4) s += '\0';
}

}  // namespace

bool SelfContainedGlb(const std::string& path, std::string& glb, std::string& error) {
  std::string bytes;
  GltfContainer file;
  if (!ReadWholeFile(path, bytes, error) || !SplitGltfContainer(bytes, file, error)) return false;
  Json root = Json::parse(file.json, nullptr, false);
  if (root.is_discarded() || !root.is_object()) {
    error = "invalid glTF file: " + path + " has no valid JSON";
    return false;
  }
  bool external = false;
  for (const char* key : {"buffers", "images"})
    if (root.contains(key) && root[key].is_array())
      for (const Json& item : root[key]) external |= item.is_object() && item.contains("uri");
  if (file.glb && !external) {
    glb = bytes;
    return true;
  }
  const fs::path dir = fs::path(path).parent_path();
  // Every buffer one after another in the binary chunk, each at a multiple of
  // four so that the accessors keep their alignment.
  std::string bin;
  std::vector<size_t> base;
  if (root.contains("buffers") && root["buffers"].is_array()) {
    for (size_t b = 0; b < root["buffers"].size(); ++b) {
      const Json& buffer = root["buffers"][b];
      base.push_back(bin.size());
      std::string data, mime;
      if (buffer.is_object() && buffer.contains("uri") && buffer["uri"].is_string()) {
        if (!UriBytes(buffer["uri"].get<std::string>(), dir, data, mime, error)) {
          error = path + ": buffer " + std::to_string(b) + ": " + error;
          return false;
        }
      } else if (b == 0 && file.hasBin) {
        data = file.bin;
      }
      bin += data;
      Pad4(bin);
    }
  }
  if (root.contains("bufferViews") && root["bufferViews"].is_array())
    for (Json& view : root["bufferViews"]) {
      if (!view.is_object() || !view.contains("buffer") || !view["buffer"].is_number_unsigned()) continue;
      const size_t b = view["buffer"].get<size_t>();
      if (b >= base.size()) continue;
      view["byteOffset"] = view.value("byteOffset", size_t(0)) + base[b];
      view["buffer"] = 0;
    }
  if (root.contains("images") && root["images"].is_array())
    for (size_t i = 0; i < root["images"].size(); ++i) {
      Json& image = root["images"][i];
      if (!image.is_object() || !image.contains("uri") || !image["uri"].is_string()) continue;
      std::string data, mime;
      if (!UriBytes(image["uri"].get<std::string>(), dir, data, mime, error)) {
        error = path + ": image " + std::to_string(i) + ": " + error;
        return false;
      }
      if (!root.contains("bufferViews")) root["bufferViews"] = Json::array();
      root["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", bin.size()}, {"byteLength", data.size()}});
      bin += data;
      Pad4(bin);
      image.erase("uri");
      image["bufferView"] = root["bufferViews"].size() - 1;
      if (!mime.empty() && !image.contains("mimeType")) image["mimeType"] = mime;
    }
  root["buffers"] = Json::array({{{"byteLength", bin.size()}}});
  glb = JoinGlb(root.dump(-1, ' ', false, Json::error_handler_t::replace), bin, true);
  return true;
}
