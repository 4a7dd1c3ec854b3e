// Where a file name typed in the page leads, and what lies there now. Names
// are taken relative to a base folder (the open document's, or the one the
// studio started in), so the page can show the full path before anything is
// written, and ask before a file is replaced.
#pragma once
#include <nlohmann/json.hpp>
#include <string>

enum class FileUse { SaveScene, ExportCharacter, Open };

struct FileTarget {
  std::string path;     // absolute and normal; empty when no name was given
  std::string kind;     // what lies there: "none", "scene", "character" (.gltf, .glb), "folder", "other"
  std::string problem;  // why it cannot be used so, saying what to do; empty when it can
  // Whether it is an existing file of the kind `use` writes (replacing it
  // needs one confirmation) or of another kind (it needs a second one).
  bool ReplacesSameKind(FileUse use) const;
  bool ReplacesOtherKind(FileUse use) const;
};

FileTarget InspectFileTarget(const std::string& typed, const std::string& baseFolder, FileUse use);

// "none", "scene", "character", "folder" or "other", by what the file holds.
std::string FileKindAt(const std::string& path);

// {"path", "kind", "problem", "replaces": "none" | "same" | "other"}
nlohmann::json DescribeFileTarget(const FileTarget& target, FileUse use);
