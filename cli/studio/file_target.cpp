#include "cli/studio/file_target.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

const char* KindWritten(FileUse use) { return use == FileUse::ExportCharacter ? "character" : "scene"; }

std::string WriteProblem(const fs::path& p, const std::string& kind) {
  if (kind == "folder") return p.string() + " is a folder: add a file name to it";
  std::error_code ec;
  const fs::path dir = p.parent_path();
  if (!fs::exists(dir, ec))
    return "the folder " + dir.string() + " does not exist: create it first, or choose a folder that exists";
  if (!fs::is_directory(dir, ec)) return dir.string() + " is not a folder: choose a folder to write into";
  if (access(dir.c_str(), W_OK) != 0)
    return "the folder " + dir.string() + " does not take new files: choose another folder";
  return {};
}

std::string OpenProblem(const fs::path& p, const std::string& kind) {
  if (kind == "none") return "there is no file " + p.string() + ": check the name and the folder";
  if (kind == "folder") return p.string() + " is a folder: give the name of a scene or glTF file in it";
  if (kind == "other")
    return p.string() + " is neither a Fernwick scene nor a glTF character (.gltf, .glb): choose one of those";
  return {};
}

}  // namespace

bool FileTarget::ReplacesSameKind(FileUse use) const { return kind == KindWritten(use); }

bool FileTarget::ReplacesOtherKind(FileUse use) const {
  return kind != "none" && kind != "folder" && kind != KindWritten(use);
}

std::string FileKindAt(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return "none";
  if (fs::is_directory(status)) return "folder";
  std::ifstream in(path, std::ios::binary);
  char head[8] = {};
  in.read(head, sizeof head);
  const std::string start(head, static_cast<size_t>(in.gcount()));
  if (start == std::string("FWSCENE\x1A", 8)) return "scene";
  if (start.rfind("glTF", 0) == 0) return "character";
  const size_t text = start.find_first_not_of(" \t\r\n");
  if (Lower(fs::path(path).extension().string()) == ".gltf" && text != std::string::npos && start[text] == '{')
    return "character";
  return "other";
}

FileTarget InspectFileTarget(const std::string& typed, const std::string& baseFolder, FileUse use) {
  FileTarget t;
  const size_t first = typed.find_first_not_of(" \t");
  if (first == std::string::npos) {
    t.kind = "none";
    t.problem = "type a file name";
    return t;
  }
  const std::string name = typed.substr(first, typed.find_last_not_of(" \t") - first + 1);
  fs::path p(name);
  if (p.is_relative()) p = fs::path(baseFolder) / p;
  p = p.lexically_normal();
  // "dir/" names the folder itself.
  if (!p.has_filename()) p = p.parent_path();
  t.path = p.string();
  t.kind = FileKindAt(t.path);
  t.problem = use == FileUse::Open ? OpenProblem(p, t.kind) : WriteProblem(p, t.kind);
  return t;
}

nlohmann::json DescribeFileTarget(const FileTarget& target, FileUse use) {
  const char* replaces = target.ReplacesSameKind(use) ? "same" : target.ReplacesOtherKind(use) ? "other" : "none";
  if (use == FileUse::Open) replaces = "none";
  return {{"path", target.path}, {"kind", target.kind}, {"problem", target.problem}, {"replaces", replaces}};
}
