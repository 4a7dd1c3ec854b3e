#include "cli/commands/demo_command.h"

#include <cmath>
#include <filesystem>

#include "cli/commands/bake_command.h"
#include "cli/files/atomic_file.h"
#include "cli/files/obj_file.h"
#include "cli/files/output_check.h"
#include "cli/sample_characters/demo_character.h"
#include "cli/sample_characters/demo_limb.h"
#include "deformer/deform.h"
#include "deformer/rest_capture.h"

namespace {

// Mean distance from the joint of the vertices whose rest position lies in the
// joint's cross-section: how much the limb keeps its thickness there.
double ElbowThickness(const DemoLimb& limb, const std::vector<Point3>& pos) {
  double sum = 0.0;
  int n = 0;
  for (int i = 0; i < limb.rest.numv; ++i)
    if (std::fabs(limb.rest.P(i).x - limb.elbow.x) < 0.02f) {
      sum += (pos[i] - limb.elbow).Length();
      ++n;
    }
  return n ? sum / n : 0.0;
}

bool WriteObj(const std::string& path, const ObjModel& model, const std::vector<Point3>& pos, std::ostream& err) {
  std::string error;
  if (WriteFileAtomically(path, ObjWithPositions(model, pos), error)) return true;
  err << "fernwick demo: " << error << "\n";
  return false;
}

}  // namespace

int RunDemo(const std::string& outDir, std::ostream& out, std::ostream& err) {
  std::string folderError;
  if (!PrepareOutputFolder(outDir, folderError)) {
    err << "fernwick demo: " << folderError << "\n";
    return 1;
  }
  const DemoLimb limb = MakeDemoLimb();
  const MNMesh posed = PoseDemoLimb(limb, 1.5707964f);

  Mesh restTri;
  limb.rest.OutToTri(restTri);
  RestState state;
  DeltaMushParams params;
  params.iter = 300;  // the joint band is wide next to the ring spacing
  CaptureRestState(state, restTri, params.weight, params.iter, params.boundFixed);
  Mesh deformed;
  posed.OutToTri(deformed);
  DeformTriMesh(state, deformed, params);

  const ObjModel model = ObjFromPolyMesh(limb.rest, "fernwick demo limb");
  std::vector<Point3> restPos(limb.rest.numv), posedPos(posed.numv);
  for (int i = 0; i < limb.rest.numv; ++i) restPos[i] = limb.rest.P(i), posedPos[i] = posed.P(i);
  const std::string dir = outDir.empty() ? "." : outDir;
  const std::string restPath = dir + "/rest.obj", posedPath = dir + "/posed.obj", outPath = dir + "/deformed.obj";
  if (!WriteObj(restPath, model, restPos, err) || !WriteObj(posedPath, model, posedPos, err) ||
      !WriteObj(outPath, model, deformed.verts, err))
    return 1;

  out << "Demo limb: " << limb.rest.numv << " vertices, " << restTri.numFaces << " triangles, bent 90 degrees at the joint\n";
  out << "Thickness at the joint (mean distance from the joint centre):\n";
  out << "  rest            " << ElbowThickness(limb, restPos) << "\n";
  out << "  linear skin     " << ElbowThickness(limb, posedPos) << "\n";
  out << "  Delta Mush      " << ElbowThickness(limb, deformed.verts) << " (" << params.iter << " iterations)\n";
  out << "Wrote " << restPath << ", " << posedPath << " and " << outPath << "\n";
  out << "Try: fernwick deform --rest " << restPath << " --posed " << posedPath << " -o my.obj --iter 300\n";
  return 0;
}

int RunCharacterDemo(const std::string& dir, const std::string& pluginPath, std::ostream& out, std::ostream& err) {
  std::string folderError;
  if (!PrepareOutputFolder(dir, folderError)) {
    err << "fernwick demo: " << folderError << "\n";
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
  o.boneLimitAuto = true;
  // The rollout's proxy poses alone, scored on the tail's clip, which the
  // solve never sees.
  o.animations = {"none"};
  o.quiet = true;
  const int rc = RunBake(o, out, err);
  if (rc == 0)
    out << "Open " << o.outPath << " in any glTF viewer; the picture is " << o.reportPath << ", the review page "
        << (std::filesystem::path(dir) / "demo_review.html").string() << "\n";
  return rc;
}

