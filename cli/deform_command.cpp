#include "deform_command.h"

#include <chrono>
#include <cmath>

#include "../deformer/deform.h"
#include "../deformer/rest_capture.h"
#include "atomic_file.h"
#include "obj_file.h"

int RunDeform(const DeformOptions& options, std::ostream& out, std::ostream& err) {
  std::string error;
  ObjModel rest, posed;
  if (!ReadObjFile(options.restPath, rest, error) || !ReadObjFile(options.posedPath, posed, error)) {
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

  const auto t0 = std::chrono::steady_clock::now();
  Mesh restMesh;
  ObjToTriMesh(rest, restMesh);
  RestState state;
  const DeltaMushParams& p = options.params;
  CaptureRestState(state, restMesh, p.weight, p.iter, p.boundFixed);
  const auto t1 = std::chrono::steady_clock::now();

  Mesh mesh;
  ObjToTriMesh(posed, mesh);
  DeformTriMesh(state, mesh, p);
  const auto t2 = std::chrono::steady_clock::now();

  if (!WriteFileAtomically(options.outPath, ObjWithPositions(posed, mesh.verts), error)) {
    err << "fernwick deform: " << error << "\n";
    return 1;
  }

  int fixed = 0;
  for (auto f : state.fixedVerts) fixed += f;
  double sum = 0.0, maxMove = 0.0;
  for (size_t i = 0; i < mesh.verts.size(); ++i) {
    const double d = (mesh.verts[i] - posed.positions[i]).Length();
    sum += d;
    maxMove = std::max(maxMove, d);
  }
  using ms = std::chrono::duration<double, std::milli>;
  out << "Deformed " << mesh.numVerts << " vertices, " << mesh.numFaces << " triangles (" << fixed
      << " fixed boundary vertices), " << p.iter << " iterations at strength " << p.weight << ", displace "
      << p.displace << "\n";
  out << "  moved from the posed input: mean " << (mesh.verts.empty() ? 0.0 : sum / mesh.verts.size()) << ", max "
      << maxMove << "\n";
  out << "  capture " << ms(t1 - t0).count() << " ms, deformation " << ms(t2 - t1).count() << " ms\n";
  out << "Wrote " << options.outPath << "\n";
  return 0;
}
