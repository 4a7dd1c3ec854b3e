#include "character_commands.h"

#include <chrono>
#include <filesystem>
#include <sstream>

#include "../sdk/interface.h"
#include "../sdk/param_block.h"
#include "../sdk/rollout.h"
#include "../sdk/utf8.h"
#include "../sdk/scene_file.h"
#include "../sdk/tri_object.h"
#include "atomic_file.h"
#include "demo_character.h"
#include "fit_report.h"
#include "gltf_scene.h"
#include "obj_file.h"
#include "plugin_host.h"
#include "report_image.h"
#include "rollout_session.h"
#include "terminal_message_boxes.h"

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

enum : ParamID { kStartFrame = 7, kEndFrame = 8, kBoneLimit = 9 };

bool ReadCharacter(const CharacterOptions& o, GltfCharacter& c, std::string& error) {
  GltfReadOptions ro;
  ro.meshName = o.meshName;
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

bool Import(const CharacterOptions& o, GltfCharacter& c, ImportedCharacter& ic, std::ostream& out, std::string& error) {
  ClassDesc2* desc = LoadFernwick(o.pluginPath, error);
  if (!desc) return false;
  const auto t0 = Clock::now();
  if (!ReadCharacter(o, c, error)) return false;
  ImportSettings s;
  s.params = o.params;
  s.boneLimit = o.boneLimit;
  s.solverIterations = o.solverIterations;
  s.animation = ClipIndex(c, o.animation);
  if (s.animation == -2) {
    error = "the file has no animation \"" + o.animation + "\"";
    return false;
  }
  GetCOREInterface()->SetFrameRate(static_cast<int>(o.fps + 0.5f));
  if (!ImportCharacter(c, desc, s, ic, error)) return false;
  out << "Imported " << o.inPath << ": " << c.positions.size() << " vertices (welded), " << c.triangles.size()
      << " triangles, " << c.joints.size() << " joints, " << c.animations.size() << " animations ("
      << Since(t0) << " s)\n";
  return true;
}

bool Export(const GltfCharacter& c, INode* meshNode, int maxInfluences, const std::string& path, std::string& error) {
  std::vector<std::vector<std::pair<int, float>>> weights;
  if (!SkinWeightsForExport(meshNode, c, weights, error)) return false;
  return WriteGltfWithWeights(c, weights, std::clamp(maxInfluences, 1, 8), path, error);
}

std::string ReportPathFor(const CharacterOptions& o) {
  if (!o.reportPath.empty()) return o.reportPath;
  std::filesystem::path p(o.outPath);
  p.replace_extension();
  return p.string() + "_report.png";
}

}  // namespace

int RunImport(const CharacterOptions& o, std::ostream& out, std::ostream& err) {
  GltfCharacter c;
  ImportedCharacter ic;
  std::string error;
  if (!Import(o, c, ic, out, error) || !SaveScene(o.outPath, error)) {
    err << "fernwick import: " << error << "\n";
    CloseHostSession();
    return 1;
  }
  out << "Wrote " << o.outPath << "\n";
  CloseHostSession();
  return 0;
}

int RunExport(const CharacterOptions& o, std::ostream& out, std::ostream& err) {
  std::string error;
  GltfCharacter c;
  auto fail = [&](const std::string& why) {
    err << "fernwick export: " << why << "\n";
    CloseHostSession();
    return 1;
  };
  if (!LoadFernwick(o.pluginPath, error)) return fail(error);
  if (!ReadCharacter(o, c, error)) return fail(error);
  if (!OpenSceneFile(o.scenePath, err, error)) return fail(error);
  const std::string meshName = c.meshNode >= 0 ? c.nodes[c.meshNode].name : "";
  INode* node = GetCOREInterface()->GetINodeByName(Utf8ToWide(meshName.empty() ? "mesh" : meshName).c_str());
  if (!node) return fail("the scene has no node \"" + meshName + "\" for the file's skinned mesh");
  if (!Export(c, node, o.boneLimit, o.outPath, error)) return fail(error);
  out << "Wrote " << o.outPath << "\n";
  CloseHostSession();
  return 0;
}

int RunBake(const CharacterOptions& o, std::ostream& out, std::ostream& err) {
  std::ostringstream quietBoxes;
  TerminalMessageBoxPolicy policy(true, std::cin, o.quiet ? static_cast<std::ostream&>(quietBoxes) : out);
  ScopedMessageBoxPolicy scoped(&policy);
  std::string error;
  GltfCharacter c;
  ImportedCharacter ic;
  auto fail = [&](const std::string& why) {
    err << "fernwick bake: " << why << "; nothing was written\n";
    GetCOREInterface()->CloseModifyPanel();
    CloseHostSession();
    return 1;
  };
  const auto t0 = Clock::now();
  if (!Import(o, c, ic, out, error)) return fail(error);
  Interface* ip = GetCOREInterface();
  ip->SelectNode(ic.meshNode, 1);
  ip->OpenModifyPanel(ic.fernwick);
  RolloutSession session{ic.meshNode, ic.fernwick, FindOpenRollout(L"Parameters")};
  if (!session.rollout) return fail("the Fernwick rollout did not open");
  const bool proxyWorkflow = o.animation.empty();
  auto press = [&](const char* caption) {
    const auto t = Clock::now();
    if (!PressButtonByCaption(session, caption, error)) return false;
    out << "  \"" << caption << "\" " << Since(t) << " s\n";
    return true;
  };
  out << "Pressing the workflow's buttons:\n";
  if (!press("Extract state")) return fail(error);
  if (proxyWorkflow && !press("Create input animation")) return fail(error);
  IParamBlock2* pb = ic.fernwick->GetParamBlock(0);
  const int start = pb->GetInt(kStartFrame, 0), end = pb->GetInt(kEndFrame, 0);
  const PoseFrames mush = SampleNode(ic.meshNode, start, end, true);
  const PoseFrames before = SampleNode(ic.meshNode, start, end, false);
  if (!press("Solve Skin weights")) return fail(error);
  if (ic.fernwick->IsEnabled()) return fail("the solve wrote no weights");
  const PoseFrames after = SampleNode(ic.meshNode, start, end, false);
  if (proxyWorkflow) {
    ic.fernwick->EnableMod();
    ip->OpenModifyPanel(ic.fernwick);
    session.rollout = FindOpenRollout(L"Parameters");
    if (!press("Replace and remove proxy")) return fail(error);
  }
  if (!Export(c, ic.meshNode, pb->GetInt(kBoneLimit, 0), o.outPath, error)) return fail(error);

  const FitStats b = CompareFrames(before, mush), a = CompareFrames(after, mush);
  out << "Fit of linear skinning to the Delta Mush result over " << (end - start + 1) << " frames ("
      << (proxyWorkflow ? "proxy poses" : "the clip") << "):\n";
  PrintFit(out, "before", b);
  PrintFit(out, "after ", a);
  if (b.rms > 0) out << "  RMS ratio after/before: " << a.rms / b.rms << "\n";
  ReportView view;
  view.positions = c.positions;
  view.triangles = c.triangles;
  view.errorBefore = b.perVertexMax;
  view.errorAfter = a.perVertexMax;
  view.errorBefore.resize(c.positions.size(), 0.0f);
  view.errorAfter.resize(c.positions.size(), 0.0f);
  view.title = "Fernwick fit: largest distance per vertex to Delta Mush";
  const std::string report = ReportPathFor(o);
  if (!WriteFitReportPng(view, report, error)) return fail(error);
  out << "Wrote " << o.outPath << " and " << report << " (" << Since(t0) << " s in all)\n";
  ip->CloseModifyPanel();
  CloseHostSession();
  return 0;
}

int RunCharacterDemo(const std::string& dir, const std::string& pluginPath, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    err << "fernwick demo: cannot create " << dir << ": " << ec.message() << "\n";
    return 1;
  }
  const std::string source = (std::filesystem::path(dir) / "demo_source.glb").string();
  std::string error;
  if (!WriteFileAtomically(source, MakeDemoCharacterGlb(), error)) {
    err << "fernwick demo: " << error << "\n";
    return 1;
  }
  out << "Built the sample tail: " << source << "\n";
  CharacterOptions o;
  o.inPath = source;
  o.outPath = (std::filesystem::path(dir) / "demo.glb").string();
  o.reportPath = (std::filesystem::path(dir) / "demo_report.png").string();
  o.pluginPath = pluginPath;
  o.params.iter = 20;
  o.quiet = true;
  const int rc = RunBake(o, out, err);
  if (rc == 0) out << "Open " << o.outPath << " in any glTF viewer; the picture is " << o.reportPath << "\n";
  return rc;
}

int RunDeformGltf(const CharacterOptions& o, std::ostream& out, std::ostream& err) {
  std::string error;
  GltfCharacter c;
  ImportedCharacter ic;
  auto fail = [&](const std::string& why) {
    err << "fernwick deform: " << why << "\n";
    CloseHostSession();
    return 1;
  };
  CharacterOptions withClip = o;
  if (withClip.animation.empty()) withClip.animation.assign(1, '0');
  if (!Import(withClip, c, ic, out, error)) return fail(error);
  if (ic.clipFrames == 0) return fail("the file has no animation to deform");
  std::error_code ec;
  std::filesystem::create_directories(o.outPath, ec);
  if (ec) return fail("cannot create " + o.outPath + ": " + ec.message());
  MNMesh poly;
  poly.setNumVerts(static_cast<int>(c.positions.size()));
  for (size_t i = 0; i < c.positions.size(); ++i) poly.P(static_cast<int>(i)) = c.positions[i];
  for (const auto& t : c.triangles) poly.NewFace({t[0], t[1], t[2]});
  const ObjModel model = ObjFromPolyMesh(poly, std::string("fernwick deform of ").append(o.inPath));
  const PoseFrames frames = SampleNode(ic.meshNode, 1, ic.clipFrames, true);
  for (size_t f = 0; f < frames.size(); ++f) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%04zu.obj", f + 1);
    const std::string path = (std::filesystem::path(o.outPath) / name).string();
    if (!WriteFileAtomically(path, ObjWithPositions(model, frames[f]), error)) return fail(error);
  }
  out << "Wrote " << frames.size() << " frames of the Delta Mush result to " << o.outPath << "\n";
  CloseHostSession();
  return 0;
}
