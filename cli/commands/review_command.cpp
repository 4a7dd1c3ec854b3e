#include "cli/commands/review_command.h"

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/files/atomic_file.h"
#include "cli/files/output_check.h"
#include "cli/gltf/gltf_container.h"
#include "cli/gltf/gltf_self_contained.h"
#include "cli/report/fit_report.h"
#include "cli/review/bake_summary.h"
#include "cli/review/review_page.h"
#include "cli/terminal_host/plugin_host.h"
#include "host/skin_access.h"
#include "sdk/interface.h"

namespace {

// BAKED has SOURCE's meshes, primitives, vertices and skin joints.
bool SameCharacter(const GltfCharacter& a, const GltfCharacter& b, const std::string& bakedPath, std::string& error) {
  auto differ = [&](const std::string& what) {
    error = bakedPath + " is not a bake of " + a.sourcePath + ": " + what;
    return false;
  };
  if (a.meshes.size() != b.meshes.size()) return differ("it has another number of skinned meshes");
  for (size_t m = 0; m < a.meshes.size(); ++m) {
    const GltfSkinnedMesh &x = a.meshes[m], &y = b.meshes[m];
    if (x.name != y.name || x.meshIndex != y.meshIndex || x.primitives.size() != y.primitives.size() ||
        x.joints.size() != y.joints.size())
      return differ("its mesh \"" + y.name + "\" is not \"" + x.name + "\" with the same primitives and joints");
    for (size_t p = 0; p < x.primitives.size(); ++p)
      if (x.primitives[p].fileToWelded.size() != y.primitives[p].fileToWelded.size())
        return differ("primitive " + std::to_string(x.primitives[p].index) + " of \"" + x.name +
                      "\" has another number of vertices");
  }
  return true;
}

// How the file stores its first weights: "float", "unorm16" or "unorm8".
std::string WeightFormatOf(const std::string& path) {
  std::string bytes, error;
  GltfContainer file;
  if (!ReadWholeFile(path, bytes, error) || !SplitGltfContainer(bytes, file, error)) return "float";
  const nlohmann::json root = nlohmann::json::parse(file.json, nullptr, false);
  if (root.is_discarded() || !root.contains("meshes") || !root.contains("accessors")) return "float";
  for (const auto& mesh : root["meshes"])
    for (const auto& prim : mesh.value("primitives", nlohmann::json::array())) {
      const auto attrs = prim.value("attributes", nlohmann::json::object());
      if (!attrs.contains("WEIGHTS_0") || !attrs["WEIGHTS_0"].is_number_unsigned()) continue;
      const size_t a = attrs["WEIGHTS_0"].get<size_t>();
      if (a >= root["accessors"].size()) continue;
      const int type = root["accessors"][a].value("componentType", 5126);
      return type == 5123 ? "unorm16" : type == 5121 ? "unorm8" : "float";
    }
  return "float";
}

// Puts BAKED's weights of each vertex into the mesh's Skin, normalised as
// clients read them. Welding may differ between the files, so vertices are
// matched through the file's own vertices.
bool UseBakedWeights(const ImportedCharacter& ic, const GltfCharacter& c, const GltfCharacter& baked, size_t mesh,
                     std::string& error) {
  SkinAccess skin;
  INode* node = ic.meshes[mesh].node;
  if (!FindSkin(node, skin) || !skin.importData) {
    error = "the Skin of \"" + c.meshes[mesh].name + "\" is missing";
    return false;
  }
  const GltfSkinnedMesh &m = c.meshes[mesh], &b = baked.meshes[mesh];
  std::vector<char> done(m.positions.size(), 0);
  for (size_t p = 0; p < m.primitives.size(); ++p)
    for (size_t i = 0; i < m.primitives[p].fileToWelded.size(); ++i) {
      const int v = m.primitives[p].fileToWelded[i];
      if (done[v]) continue;
      done[v] = 1;
      const auto& list = b.weights[b.primitives[p].fileToWelded[i]];
      float sum = 0;
      for (auto [slot, w] : list) sum += w;
      Tab<INode*> bones;
      Tab<float> weights;
      for (auto [slot, w] : list) {
        bones.Append(ic.bones[m.joints[slot]]);
        weights.Append(sum > 0 ? w / sum : w);
      }
      if (!skin.importData->AddWeights(node, v, bones, weights)) {
        error = "the Skin refused the weights of vertex " + std::to_string(v);
        return false;
      }
    }
  skin.mod->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
  return true;
}

}  // namespace

int RunReview(const CharacterOptions& o, const std::string& bakedPath, std::ostream& out, std::ostream& err) {
  std::string error;
  auto fail = [&](const std::string& why) {
    err << "fernwick review: " << why << "; nothing was written\n";
    CloseHostSession();
    return 1;
  };
  const auto t0 = CommandClock::now();
  if (!CheckOutputFile(o.outPath, error)) return fail(error);
  GltfCharacter c, baked;
  GltfReadOptions bakedOptions;
  bakedOptions.meshNames = o.meshNames;
  bakedOptions.readAnimations = false;
  std::vector<int> clips;
  if (!LoadFernwick(o.pluginPath, error) || !ReadCharacterFile(o, c, error) ||
      !ReadGltfCharacter(bakedPath, bakedOptions, baked, error) || !SameCharacter(c, baked, bakedPath, error) ||
      !ResolveClips(c, o.evaluate.empty() ? std::vector<std::string>{"all"} : o.evaluate, clips, error))
    return fail(error);
  ImportedCharacter ic;
  if (!BuildCharacterScene(o, c, clips, ic, out, error)) return fail(error);
  out << "Fit per clip (RMS and largest distance to the Delta Mush result of " << o.inPath << ", its skin -> "
      << bakedPath << "'s):\n";

  ReviewPageInput page;
  page.character = &c;
  page.clips.resize(ic.clips.size());
  BakeSummary summary;
  summary.command = "review";
  summary.source = o.inPath;
  summary.output = bakedPath;
  summary.weightFormat = WeightFormatOf(bakedPath);
  for (const ClipPlacement& p : ic.clips) summary.clipAnimations.push_back(p.animation);
  for (size_t m = 0; m < c.meshes.size(); ++m) {
    MeshSummary ms;
    ms.name = c.meshes[m].name;
    ms.vertices = static_cast<int>(c.meshes[m].positions.size());
    for (const auto& list : baked.meshes[m].weights)
      summary.largestInfluences = std::max(summary.largestInfluences, static_cast<int>(list.size()));
    std::vector<PoseFrames> mush;
    for (const ClipPlacement& p : ic.clips) {
      ClipFit fit;
      fit.name = c.animations[p.animation].name;
      fit.frames = p.frames;
      mush.push_back(SampleNode(ic.meshes[m].node, p.first, p.last(), true));
      fit.before = CompareFrames(SampleNode(ic.meshes[m].node, p.first, p.last(), false), mush.back());
      ms.clips.push_back(fit);
    }
    if (!UseBakedWeights(ic, c, baked, m, error)) return fail(error);
    for (size_t k = 0; k < ic.clips.size(); ++k) {
      const ClipPlacement& p = ic.clips[k];
      const PoseFrames skinned = SampleNode(ic.meshes[m].node, p.first, p.last(), false);
      ms.clips[k].after = CompareFrames(skinned, mush[k]);
      page.clips[k].push_back(EncodeReviewMeshClip(mush[k], skinned, ms.clips[k].before, ms.clips[k].after));
      mush[k] = PoseFrames();
      ms.clips[k].before.perVertexMax.clear();
      ms.clips[k].after.perVertexMax.clear();
    }
    summary.meshes.push_back(std::move(ms));
  }
  for (size_t k = 0; k < ic.clips.size(); ++k) {
    std::vector<const FitStats*> befores, afters;
    for (const MeshSummary& ms : summary.meshes) befores.push_back(&ms.clips[k].before), afters.push_back(&ms.clips[k].after);
    ClipFit whole = summary.meshes.front().clips[k];
    whole.before = CombineFits(befores);
    whole.after = CombineFits(afters);
    summary.clips.push_back(whole);
    out << "  \"" << whole.name << "\" (" << whole.frames << " frames): RMS " << whole.before.rms << " -> "
        << whole.after.rms << ", largest " << whole.before.max << " -> " << whole.after.max << "\n";
  }
  CloseHostSession();

  page.sourceName = std::filesystem::path(o.inPath).filename().string();
  page.bakedName = std::filesystem::path(bakedPath).filename().string();
  page.clipAnimations = summary.clipAnimations;
  summary.seconds["total"] = SecondsSince(t0);
  page.summaryJson = BakeSummaryJson(summary);
  if (!SelfContainedGlb(o.inPath, page.sourceGlb, error) || !SelfContainedGlb(bakedPath, page.bakedGlb, error) ||
      !WriteReviewPage(BuildReviewPage(page), o.outPath, error)) {
    err << "fernwick review: " << error << "; nothing was written\n";
    return 1;
  }
  out << "Wrote " << o.outPath << " (" << SecondsSince(t0) << " s)\n";
  return 0;
}
