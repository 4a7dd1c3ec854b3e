// What the studio has open: a scene file, a glTF character imported as
// `fernwick import` does (the mesh with its Skin and a Fernwick above it), or
// the built-in demo character imported the same way; and what it can be
// written to: the scene (save, save as, atomically) and, for a character, a
// copy of its file with the Skin's weights (export). Run on the host thread.
#pragma once
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

#include "cli/gltf/gltf_character.h"

struct StudioOptions {
  std::string file;        // scene file, .gltf or .glb; empty: the demo character
  std::string animation;   // clip to key from frame 1 (name, index or all); empty: the first
  std::string pluginPath;
  int port = 0;
  bool portGiven = false;
};

class StudioDocument {
 public:
  // Loads the plug-in and the file into the (empty) scene, selects the node
  // with the first Fernwick and opens that modifier in the modify panel.
  // Prints one line about what was opened. Relative paths are taken from the
  // working directory.
  bool Open(const StudioOptions& options, std::ostream& out, std::string& error);

  // Writes the scene to the file it was opened from or last saved as; false,
  // with the previous file kept, when that fails or there is none yet.
  bool Save(std::string& error);
  bool SaveAs(const std::string& path, std::string& error);
  // A copy of the character's file with the mesh node's Skin weights.
  bool Export(const std::string& path, std::string& error);

  bool HasFile() const { return !savePath_.empty(); }
  bool CanExport() const { return kind_ != Kind::Scene; }
  // {"name", "kind" (scene, gltf, demo), "source", "savePath", "canSave", "canExport"}
  nlohmann::json Describe() const;

 private:
  enum class Kind { Scene, Gltf, Demo };
  bool ImportCharacter(const StudioOptions& options, std::string& error);

  Kind kind_ = Kind::Demo;
  std::string source_;    // absolute path of the opened file; empty for the demo
  std::string savePath_;  // absolute; empty until there is one
  std::string demoGlb_;   // the demo character's file, for export
  GltfCharacter character_;
};
