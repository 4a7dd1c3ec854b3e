#include "cli/studio/studio_document.h"

#include <algorithm>
#include <filesystem>
#include <cctype>
#include <cstdlib>

#include "cli/commands/character_import.h"
#include "cli/files/atomic_file.h"
#include "cli/gltf/gltf_scene.h"
#include "cli/sample_characters/demo_character.h"
#include "cli/terminal_host/plugin_host.h"
#include "frame/fernwick_ids.h"
#include "sdk/interface.h"
#include "sdk/param_block.h"
#include "sdk/scene_file.h"
#include "sdk/utf8.h"
#include "tools/node_ops.h"

namespace fs = std::filesystem;

namespace {

std::string Absolute(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

bool IsCharacterFile(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".gltf" || ext == ".glb";
}

// Selects the first node whose stack holds a Fernwick and opens it in the
// modify panel, as a person would before working its rollout.
void ShowFirstFernwick() {
  Interface* ip = GetCOREInterface();
  std::vector<INode*> nodes;
  ip->EnumNodes(nodes);
  for (INode* n : nodes) {
    if (Modifier* m = FindModifierByClass(n, FERNWICK_CLASS_ID)) {
      ip->SelectNode(n, 1);
      ip->OpenModifyPanel(m);
      return;
    }
  }
  if (!nodes.empty()) ip->SelectNode(nodes.front(), 1);
}

}  // namespace

bool StudioDocument::Open(const StudioOptions& options, std::ostream& out, std::string& error) {
  if (!LoadFernwick(options.pluginPath, error)) return false;
  if (options.file.empty()) {
    kind_ = Kind::Demo;
    if (!ImportCharacter(options, error)) return false;
    out << "Opened the demo character: " << character_.meshes.front().positions.size() << " vertices, "
        << character_.joints.size()
        << " bones\n";
  } else if (IsCharacterFile(options.file)) {
    kind_ = Kind::Gltf;
    source_ = Absolute(options.file);
    if (!ImportCharacter(options, error)) return false;
    size_t vertices = 0;
    for (const GltfSkinnedMesh& m : character_.meshes) vertices += m.positions.size();
    out << "Imported " << source_ << ": " << character_.meshes.size() << " skinned mesh"
        << (character_.meshes.size() == 1 ? "" : "es") << ", " << vertices << " vertices (welded), "
        << character_.joints.size() << " bones\n";
  } else {
    kind_ = Kind::Scene;
    source_ = Absolute(options.file);
    if (!OpenSceneFile(source_, out, error)) return false;
    savePath_ = source_;
    out << "Opened " << source_ << "\n";
  }
  ShowFirstFernwick();
  return true;
}

bool StudioDocument::ImportCharacter(const StudioOptions& options, std::string& error) {
  ClassDesc2* desc = LoadFernwick(options.pluginPath, error);
  if (!desc) return false;
  GltfReadOptions read;
  if (kind_ == Kind::Demo) {
    demoGlb_ = MakeDemoCharacterGlb();
    if (!ReadGltfCharacterFromBytes(demoGlb_, "demo character", read, character_, error)) return false;
  } else if (!ReadGltfCharacter(source_, read, character_, error)) {
    return false;
  }
  ImportSettings settings;
  // The time slider has something to show: the first clip unless others are named.
  if (options.animation.empty()) {
    if (!character_.animations.empty()) settings.animations = {0};
  } else if (!ResolveClips(character_, {options.animation}, settings.animations, error)) {
    return false;
  }
  GetCOREInterface()->SetFrameRate(static_cast<int>(read.fps + 0.5f));
  ImportedCharacter imported;
  return ::ImportCharacter(character_, desc, settings, imported, error);
}

bool StudioDocument::Save(std::string& error) {
  if (savePath_.empty()) {
    error = "the scene has no file yet: use Save as";
    return false;
  }
  return SaveScene(savePath_, error);
}

bool StudioDocument::SaveAs(const std::string& path, std::string& error) {
  if (path.empty()) {
    error = "give a file name to save the scene as";
    return false;
  }
  const std::string target = Absolute(path);
  if (!SaveScene(target, error)) return false;
  savePath_ = target;
  return true;
}

bool StudioDocument::Export(const std::string& path, std::string& error) {
  if (!CanExport()) {
    error = "only a scene made from a glTF character can be exported";
    return false;
  }
  if (path.empty()) {
    error = "give a file name to export to";
    return false;
  }
  std::vector<INode*> nodes;
  int influences = 1;
  for (const GltfSkinnedMesh& m : character_.meshes) {
    INode* node = GetCOREInterface()->GetINodeByName(Utf8ToWide(m.name).c_str());
    if (!node) {
      error = "the scene has no node \"" + m.name + "\" for the character's skinned mesh";
      return false;
    }
    nodes.push_back(node);
    if (Modifier* fernwick = FindModifierByClass(node, FERNWICK_CLASS_ID))
      if (IParamBlock2* pb = fernwick->GetParamBlock(0))
        influences = std::max(influences, std::clamp(pb->GetInt(pb_boneLimit, GetCOREInterface()->GetTime()), 1, 8));
  }
  const std::string target = Absolute(path);
  if (kind_ != Kind::Demo) return ExportCharacterWeights(character_, nodes, influences, GltfWeightFormat::kFloat, target, error);
  // The writer copies the character's file: the demo's goes to a scratch folder first.
  std::string scratch = (fs::temp_directory_path() / "fernwick-studio-XXXXXX").string();
  if (!mkdtemp(scratch.data())) {
    error = "cannot make a scratch folder for the demo character";
    return false;
  }
  GltfCharacter copy = character_;
  copy.sourcePath = (fs::path(scratch) / "demo_character.glb").string();
  const bool ok = WriteFileAtomically(copy.sourcePath, demoGlb_, error) &&
                  ExportCharacterWeights(copy, nodes, influences, GltfWeightFormat::kFloat, target, error);
  std::error_code ec;
  fs::remove_all(scratch, ec);
  return ok;
}

nlohmann::json StudioDocument::Describe() const {
  const char* kind = kind_ == Kind::Scene ? "scene" : kind_ == Kind::Gltf ? "gltf" : "demo";
  const std::string name = savePath_.empty() ? (source_.empty() ? std::string("demo character")
                                                                : fs::path(source_).filename().string())
                                             : fs::path(savePath_).filename().string();
  return {{"name", name},          {"kind", kind},         {"source", source_},
          {"savePath", savePath_}, {"canSave", !savePath_.empty()}, {"canExport", CanExport()}};
}
