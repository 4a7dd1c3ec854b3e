#include "cli/commands/character_import.h"

#include <algorithm>

#include "cli/terminal_host/plugin_host.h"
#include "host/skin_access.h"
#include "sdk/interface.h"

double SecondsSince(CommandClock::time_point t) {
  return std::chrono::duration<double>(CommandClock::now() - t).count();
}

bool ReadCharacterFile(const CharacterOptions& o, GltfCharacter& c, std::string& error) {
  GltfReadOptions ro;
  ro.meshNames = o.meshNames;
  ro.fps = o.fps;
  return ReadGltfCharacter(o.inPath, ro, c, error);
}

int ClipIndex(const GltfCharacter& c, const std::string& name) {
  if (name.empty()) return -1;
  for (size_t i = 0; i < c.animations.size(); ++i)
    if (c.animations[i].name == name) return static_cast<int>(i);
  try {
    size_t used = 0;
    const int i = std::stoi(name, &used);
    if (used == name.size() && i >= 0 && i < static_cast<int>(c.animations.size())) return i;
  } catch (...) {
  }
  return -2;
}

bool ResolveClips(const GltfCharacter& c, const std::vector<std::string>& names, std::vector<int>& clips,
                  std::string& error) {
  clips.clear();
  auto add = [&](int i) {
    if (std::find(clips.begin(), clips.end(), i) == clips.end()) clips.push_back(i);
  };
  for (const std::string& name : names) {
    if (name == "none") continue;
    if (name == "all") {
      for (size_t i = 0; i < c.animations.size(); ++i) add(static_cast<int>(i));
      continue;
    }
    const int i = ClipIndex(c, name);
    if (i < 0) {
      std::string known;
      for (const GltfAnimation& a : c.animations) known += (known.empty() ? "" : ", ") + ("\"" + a.name + "\"");
      error = "the file has no animation \"" + name + "\"" +
              (known.empty() ? std::string(" (it has none)") : " (it has " + known + ")");
      return false;
    }
    add(i);
  }
  return true;
}

bool BuildCharacterScene(const CharacterOptions& o, const GltfCharacter& c, const std::vector<int>& clips,
                         ImportedCharacter& ic, std::ostream& out, std::string& error) {
  ClassDesc2* desc = LoadFernwick(o.pluginPath, error);
  if (!desc) return false;
  const auto t0 = CommandClock::now();
  ImportSettings s;
  s.params = o.params;
  s.boneLimit = o.boneLimit;
  s.solverIterations = o.solverIterations;
  s.animations = clips;
  GetCOREInterface()->SetFrameRate(static_cast<int>(o.fps + 0.5f));
  if (!ImportCharacter(c, desc, s, ic, error)) return false;
  size_t vertices = 0, triangles = 0;
  for (const GltfSkinnedMesh& m : c.meshes) vertices += m.positions.size(), triangles += m.triangles.size();
  out << "Imported " << o.inPath << ": ";
  if (c.meshes.size() > 1) {
    out << c.meshes.size() << " skinned meshes (";
    for (size_t k = 0; k < c.meshes.size(); ++k)
      out << (k ? ", " : "") << "\"" << c.meshes[k].name << "\" " << c.meshes[k].positions.size();
    out << "), ";
  }
  out << vertices << " vertices (welded), " << triangles << " triangles, " << c.joints.size() << " joints, "
      << c.animations.size() << " animations";
  for (size_t k = 0; k < ic.clips.size(); ++k)
    out << (k == 0 ? "; keyed " : ", ") << "\"" << c.animations[ic.clips[k].animation].name << "\" at frames "
        << ic.clips[k].first << "-" << ic.clips[k].last();
  out << " (" << SecondsSince(t0) << " s)\n";
  for (const std::string& shared : c.sharedMeshNodes)
    out << "  \"" << shared << "\" skins a mesh an earlier node skins too: its weights are that node's\n";
  return true;
}

bool ImportCharacterFile(const CharacterOptions& o, GltfCharacter& c, ImportedCharacter& ic, std::ostream& out,
                         std::string& error) {
  std::vector<int> clips;
  return LoadFernwick(o.pluginPath, error) && ReadCharacterFile(o, c, error) &&
         ResolveClips(c, o.animations, clips, error) && BuildCharacterScene(o, c, clips, ic, out, error);
}

bool ExportCharacterWeights(const GltfCharacter& c, const std::vector<INode*>& meshNodes, int maxInfluences,
                            GltfWeightFormat format, const std::string& path, std::string& error, int* cut) {
  std::vector<GltfVertexWeights> weights(c.meshes.size());
  int over = 0;
  for (size_t m = 0; m < c.meshes.size(); ++m) {
    if (m >= meshNodes.size() || !SkinWeightsForExport(meshNodes[m], c, c.meshes[m], weights[m], error)) {
      if (m >= meshNodes.size()) error = "no scene node for mesh \"" + c.meshes[m].name + "\"";
      return false;
    }
    for (const auto& list : weights[m]) over += static_cast<int>(list.size()) > maxInfluences;
  }
  if (cut) *cut = over;
  return WriteGltfWithWeights(c, weights, std::clamp(maxInfluences, 1, 8), path, error, format);
}

int StoreWeightsAsWritten(INode* meshNode, int maxInfluences, GltfWeightFormat format) {
  SkinAccess skin;
  if (!FindSkin(meshNode, skin) || !skin.context || !skin.importData) return -1;
  int over = 0;
  for (int v = 0; v < skin.context->GetNumPoints(); ++v) {
    std::vector<std::pair<int, float>> pairs;
    for (int k = 0; k < skin.context->GetNumAssignedBones(v); ++k)
      if (skin.context->GetBoneWeight(v, k) > 0.0f)
        pairs.push_back({skin.context->GetAssignedBone(v, k), skin.context->GetBoneWeight(v, k)});
    over += static_cast<int>(pairs.size()) > maxInfluences;
    const std::vector<std::pair<int, float>> stored = StoredInfluences(pairs, maxInfluences, format);
    if (stored.empty()) continue;
    Tab<INode*> bones;
    Tab<float> weights;
    for (auto [b, w] : stored) {
      bones.Append(skin.skin->GetBone(b));
      weights.Append(w);
    }
    skin.importData->AddWeights(meshNode, v, bones, weights);
  }
  skin.mod->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
  return over;
}

std::vector<INode*> MeshNodes(const ImportedCharacter& ic) {
  std::vector<INode*> nodes;
  for (const ImportedMesh& m : ic.meshes) nodes.push_back(m.node);
  return nodes;
}

