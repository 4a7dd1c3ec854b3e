#include "cli/studio/studio_document.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "cli/commands/bone_limit.h"
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

// The limit `bake --bone-limit auto` takes: the smallest from 5 to 8 that
// keeps every vertex's heaviest bone among its candidates, or as many as
// needed when 8 is not enough, so that the solve can run at once.
std::string SetSolvableBoneLimit(const GltfCharacter& c, const ImportedCharacter& imported) {
  std::string lines;
  for (size_t m = 0; m < imported.meshes.size(); ++m) {
    BoneLimitNeed need;
    std::string why;
    if (!MeasureBoneLimitNeed(imported.meshes[m].node, need, why)) return why;
    int limit = 0;
    if (!ChooseBoneLimit(need, 0, limit, why)) limit = std::min(need.needed, 100);
    imported.meshes[m].fernwick->GetParamBlock(0)->SetValue(pb_boneLimit, 0, limit);
    std::string line = AutoBoneLimitLine(need, limit);
    const std::string plain = "bone limit";
    if (line.rfind(plain, 0) == 0) line.replace(0, plain.size(), "Bone affect limit");
    if (imported.meshes.size() > 1) line = "\"" + c.meshes[m].name + "\": " + line;
    lines += (lines.empty() ? "" : "; ") + line;
  }
  return lines;
}

}  // namespace

bool StudioDocument::Open(const StudioOptions& options, std::ostream& out, std::string& error) {
  if (!LoadFernwick(options.pluginPath, error)) return false;
  if (startFolder_.empty()) startFolder_ = Absolute(".");
  options_ = options;
  source_.clear();
  savePath_.clear();
  clips_.clear();
  modified_ = false;
  Interface* ip = GetCOREInterface();
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
    ip->ReplacePrompt(Utf8ToWide("Opened " + source_).c_str());
  }
  ShowFirstFernwick();
  return true;
}

bool StudioDocument::Reopen(const std::string& path, std::ostream& out, std::string& error) {
  StudioOptions options = options_;
  options.file = path;
  options.animation.clear();
  if (!path.empty()) {
    // Checked before the open scene goes.
    GltfCharacter probe;
    SceneSummary summary;
    if (IsCharacterFile(path) ? !ReadGltfCharacter(path, GltfReadOptions(), probe, error)
                              : !ReadSceneSummary(path, summary, error)) {
      error = "cannot open " + path + ": " + error;
      return false;
    }
  }
  CloseHostSession();
  if (Open(options, out, error)) return true;
  // Whatever failed after the checks, the studio goes on with something to show.
  std::string demoError;
  CloseHostSession();
  options.file.clear();
  Open(options, out, demoError);
  error = "cannot open " + path + ": " + error + "; the demo character is open instead";
  return false;
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
  if (!::ImportCharacter(character_, desc, settings, imported, error)) return false;
  for (const ClipPlacement& p : imported.clips)
    clips_.push_back({character_.animations[p.animation].name, p.first, p.last()});
  const std::string name = kind_ == Kind::Demo ? "the demo character" : fs::path(source_).filename().string();
  const std::string limit = SetSolvableBoneLimit(character_, imported);
  GetCOREInterface()->ReplacePrompt(Utf8ToWide("Imported " + name + ". " + limit).c_str());
  return true;
}

bool StudioDocument::Save(std::string& error) {
  if (savePath_.empty()) {
    error = "the scene has no file yet: use Save as";
    return false;
  }
  if (!SaveScene(savePath_, error)) return false;
  modified_ = false;
  return true;
}

bool StudioDocument::SaveAs(const std::string& path, std::string& error) {
  if (path.empty()) {
    error = "give a file name to save the scene as";
    return false;
  }
  const std::string target = Absolute(path);
  if (!SaveScene(target, error)) return false;
  savePath_ = target;
  modified_ = false;
  return true;
}

std::vector<INode*> StudioDocument::CharacterNodes() const {
  std::vector<INode*> nodes;
  for (const GltfSkinnedMesh& m : character_.meshes)
    nodes.push_back(GetCOREInterface()->GetINodeByName(Utf8ToWide(m.name).c_str()));
  return nodes;
}

std::string StudioDocument::ExportBlocker() const {
  if (!CanExport()) return "only a character opened from a glTF file (or the demo character) can be exported";
  for (INode* node : CharacterNodes()) {
    if (!node) return "the scene has no node for the character's skinned mesh: open the character again";
    bool proxy = false;
    ForEachModifier(node, [&](Modifier* m, int) {
      proxy = proxy || m->GetName() == MSTR(L"proxySkin");
      return !proxy;
    });
    if (proxy)
      return "the character's Skin still moves the proxy bones: press \"Replace and remove proxy\" first, then export";
  }
  return {};
}

bool StudioDocument::Export(const std::string& path, std::string& error) {
  error = ExportBlocker();
  if (!error.empty()) return false;
  if (path.empty()) {
    error = "give a file name to export to";
    return false;
  }
  const std::vector<INode*> nodes = CharacterNodes();
  int influences = 1;
  for (INode* node : nodes)
    if (Modifier* fernwick = FindModifierByClass(node, FERNWICK_CLASS_ID))
      if (IParamBlock2* pb = fernwick->GetParamBlock(0))
        influences = std::max(influences, std::clamp(pb->GetInt(pb_boneLimit, GetCOREInterface()->GetTime()), 1, 8));
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

std::string StudioDocument::BaseFolder() const {
  const std::string& file = !savePath_.empty() ? savePath_ : source_;
  return file.empty() ? startFolder_ : fs::path(file).parent_path().string();
}

nlohmann::json StudioDocument::Describe() const {
  const char* kind = kind_ == Kind::Scene ? "scene" : kind_ == Kind::Gltf ? "gltf" : "demo";
  const std::string name = savePath_.empty() ? (source_.empty() ? std::string("demo character")
                                                                : fs::path(source_).filename().string())
                                             : fs::path(savePath_).filename().string();
  return {{"name", name},           {"kind", kind},         {"source", source_},
          {"savePath", savePath_},  {"folder", BaseFolder()}, {"canSave", !savePath_.empty()},
          {"canExport", CanExport()}, {"modified", modified_}};
}
