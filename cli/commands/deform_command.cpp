#include "cli/commands/deform_command.h"

#include <chrono>
#include <cmath>
#include <filesystem>

#include "cli/commands/host_deform.h"
#include "cli/files/atomic_file.h"
#include "cli/files/obj_file.h"
#include "cli/files/output_check.h"
#include "cli/report/fit_report.h"
#include "cli/terminal_host/plugin_host.h"
#include "sdk/interface.h"

int RunDeform(const DeformOptions& options, std::ostream& out, std::ostream& err) {
  std::string error;
  ObjModel rest, posed;
  if (!CheckOutputFile(options.outPath, error) || !ReadObjFile(options.restPath, rest, error) ||
      !ReadObjFile(options.posedPath, posed, error)) {
    err << "fernwick deform: " << error << "\n";
    return 1;
  }
  if (rest.positions.size() != posed.positions.size()) {
    err << "fernwick deform: " << options.posedPath << " has " << posed.positions.size() << " vertices but the rest mesh "
        << options.restPath << " has " << rest.positions.size() << "\n";
    return 1;
  }
  if (rest.polygons != posed.polygons) {
    size_t f = 0;
    while (f < rest.polygons.size() && f < posed.polygons.size() && rest.polygons[f] == posed.polygons[f]) ++f;
    err << "fernwick deform: " << options.posedPath << " does not have the rest mesh's faces (first difference at face "
        << f + 1 << ")\n";
    return 1;
  }

  ClassDesc2* desc = LoadFernwick(options.pluginPath, error);
  if (!desc) {
    err << "fernwick deform: " << error << "\n";
    return 1;
  }
  MNMesh restMesh, posedMesh;
  ObjToPolyMesh(rest, restMesh);
  ObjToPolyMesh(posed, posedMesh);
  const DeltaMushParams& p = options.params;

  const auto t0 = std::chrono::steady_clock::now();
  std::vector<Point3> result, other;
  const bool ok = DeformThroughHost(desc, restMesh, posedMesh, p, options.polyPath, result, error);
  const auto t1 = std::chrono::steady_clock::now();
  // The other path, as a check that both give the same positions.
  const bool otherOk = ok && DeformThroughHost(desc, restMesh, posedMesh, p, !options.polyPath, other, error);
  CloseHostSession();
  if (!ok || !otherOk) {
    err << "fernwick deform: " << error << "\n";
    return 1;
  }
  if (!WriteFileAtomically(options.outPath, ObjWithPositions(posed, result), error)) {
    err << "fernwick deform: " << error << "\n";
    return 1;
  }

  double sum = 0.0, maxMove = 0.0, maxPathDiff = 0.0;
  for (size_t i = 0; i < result.size(); ++i) {
    const double d = (result[i] - posed.positions[i]).Length();
    sum += d;
    maxMove = std::max(maxMove, d);
    maxPathDiff = std::max(maxPathDiff, static_cast<double>((result[i] - other[i]).Length()));
  }
  size_t triangles = 0;
  bool allTriangles = true;
  for (const auto& poly : posed.polygons) {
    triangles += poly.size() - 2;
    allTriangles &= poly.size() == 3;
  }
  using ms = std::chrono::duration<double, std::milli>;
  out << "Deformed " << result.size() << " vertices, " << posed.polygons.size() << " polygons (" << triangles
      << " triangles) through the " << (options.polyPath ? "polygon" : "triangle") << " path: " << p.iter
      << " iterations at strength " << p.weight << ", displace " << p.displace << "\n";
  out << "  moved from the posed input: mean " << (result.empty() ? 0.0 : sum / result.size()) << ", max " << maxMove
      << "\n";
  out << "  triangle and polygon paths " << (maxPathDiff == 0.0 ? "give the same positions" : "differ")
      << (allTriangles ? " (every polygon is a triangle)" : "") << ", max difference " << maxPathDiff << "\n";
  out << "  capture and deformation " << ms(t1 - t0).count() << " ms\n";
  out << "Wrote " << options.outPath << "\n";
  return 0;
}

int RunDeformGltf(const CharacterOptions& o, std::ostream& out, std::ostream& err, bool linear) {
  std::string error;
  GltfCharacter c;
  ImportedCharacter ic;
  auto fail = [&](const std::string& why) {
    err << "fernwick deform: " << why << "\n";
    CloseHostSession();
    return 1;
  };
  if (!PrepareOutputFolder(o.outPath, error)) return fail(error);
  CharacterOptions withClip = o;
  if (withClip.animations.empty()) withClip.animations = {"0"};
  if (!ImportCharacterFile(withClip, c, ic, out, error)) return fail(error);
  if (ic.clips.empty()) return fail("the file has no animation to deform");
  // One OBJ per frame holding every skinned mesh as an object of its own.
  std::string text = "# fernwick deform of " + o.inPath + "\n";
  int base = 1;
  for (const GltfSkinnedMesh& m : c.meshes) {
    std::string name = m.name;
    for (char& ch : name)
      if (static_cast<unsigned char>(ch) < 0x20) ch = '_';  // one line per name
    text += "o " + name + "\n";
    char line[160];
    for (const Point3& p : GltfBindWorldPositions(m)) {
      std::snprintf(line, sizeof line, "v %.9g %.9g %.9g\n", p.x, p.y, p.z);
      text += line;
    }
    for (const auto& t : m.triangles) {
      std::snprintf(line, sizeof line, "f %d %d %d\n", t[0] + base, t[1] + base, t[2] + base);
      text += line;
    }
    base += static_cast<int>(m.positions.size());
  }
  ObjModel model;
  if (!ParseObj(text, o.inPath, model, error)) return fail(error);
  std::vector<PoseFrames> perMesh;
  for (const ImportedMesh& m : ic.meshes) perMesh.push_back(SampleNode(m.node, ic.clips[0].first, ic.clips[0].last(), !linear));
  const size_t frameCount = perMesh.front().size();
  for (size_t f = 0; f < frameCount; ++f) {
    std::vector<Point3> positions;
    for (const PoseFrames& frames : perMesh) positions.insert(positions.end(), frames[f].begin(), frames[f].end());
    char name[32];
    std::snprintf(name, sizeof name, "frame_%04zu.obj", f + 1);
    const std::string path = (std::filesystem::path(o.outPath) / name).string();
    if (!WriteFileAtomically(path, ObjWithPositions(model, positions), error)) return fail(error);
  }
  out << "Wrote " << frameCount << " frames of the " << (linear ? "linear skinning" : "Delta Mush result") << " to "
      << o.outPath << "\n";
  CloseHostSession();
  return 0;
}
