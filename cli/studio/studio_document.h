// What the studio has open: a scene file, a glTF character imported as
// `fernwick import` does (the mesh with its Skin and a Fernwick above it), or
// the built-in demo character imported the same way; and what it can be
// written to: the scene (save, save as, atomically) and, for a character, a
// copy of its file with the Skin's weights (export). Run on the host thread.
#pragma once
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "cli/gltf/gltf_character.h"
#include "sdk/inode.h"

struct StudioOptions {
  std::string file;        // scene file, .gltf or .glb; empty: the demo character
  std::string animation;   // clip to key from frame 1 (name, index or all); empty: the first
  std::string pluginPath;
  int port = 0;
  bool portGiven = false;
};

// A clip keyed on the character's bones, on the time line.
struct KeyedClip {
  std::string name;
  int first = 0, last = 0;  // frames
};

class StudioDocument {
 public:
  // Loads the plug-in and the file into the (empty) scene, selects the node
  // with the first Fernwick and opens that modifier in the modify panel.
  // A character gets the Bone affect limit its skin needs, which the prompt
  // line names. Prints one line about what was opened. Relative paths are
  // taken from the working directory.
  bool Open(const StudioOptions& options, std::ostream& out, std::string& error);
  // Replaces what is open with the file at `path` (absolute) or, when it is
  // empty, the demo character. The file is read and checked first: when it
  // cannot be opened the scene stays as it was and error says why.
  bool Reopen(const std::string& path, std::ostream& out, std::string& error);

  // Writes the scene to the file it was opened from or last saved as; false,
  // with the previous file kept, when that fails or there is none yet.
  bool Save(std::string& error);
  // `path` is absolute (see BaseFolder).
  bool SaveAs(const std::string& path, std::string& error);
  // A copy of the character's file with the mesh node's Skin weights.
  bool Export(const std::string& path, std::string& error);

  // The folder that relative names are taken from: the document's file's,
  // else the one the studio started in.
  std::string BaseFolder() const;
  bool HasFile() const { return !savePath_.empty(); }
  bool CanExport() const { return kind_ != Kind::Scene; }
  // Why an export cannot be written now, saying what to do; empty when it can.
  std::string ExportBlocker() const;
  // Changed since it was opened or last saved.
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }
  // A character's clips on the time line; none for a scene file.
  const std::vector<KeyedClip>& Clips() const { return clips_; }
  // {"name", "kind" (scene, gltf, demo), "source", "savePath", "folder",
  //  "canSave", "canExport", "modified"}
  nlohmann::json Describe() const;

 private:
  enum class Kind { Scene, Gltf, Demo };
  bool ImportCharacter(const StudioOptions& options, std::string& error);
  // The scene's node of each of the character's skinned meshes (null where gone).
  std::vector<INode*> CharacterNodes() const;

  Kind kind_ = Kind::Demo;
  StudioOptions options_;
  std::string startFolder_;  // the working directory when first opened
  std::string source_;       // absolute path of the opened file; empty for the demo
  std::string savePath_;     // absolute; empty until there is one
  std::string demoGlb_;      // the demo character's file, for export
  GltfCharacter character_;
  std::vector<KeyedClip> clips_;
  bool modified_ = false;
};
