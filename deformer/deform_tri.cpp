#include <algorithm>

#include "delta_mush_core.h"
#include "deform.h"

namespace {

// Keeps or rebuilds the vertex -> colour-vertex map. Returns whether the mesh
// has usable colours. A map of another size than the rest mesh is never kept,
// so it is never read past its end.
bool UpdateTriColourMap(RestState& s, const Mesh& mesh, bool vertCol, int n) {
  const bool hasColours = mesh.numCVerts > 0 && static_cast<int>(mesh.vertCol.size()) >= mesh.numCVerts;
  if (s.colorMapKey == mesh.numCVerts && s.colorMapFromTri && s.colorMap.size() == static_cast<size_t>(n))
    return hasColours;
  if (vertCol && hasColours) {
    s.colorMap.assign(n, -1);
    const int faces = std::min<int>(mesh.numFaces, static_cast<int>(mesh.vcFace.size()));
    for (int f = 0; f < faces; ++f)
      for (int j = 0; j < 3; ++j) {
        const DWORD v = mesh.faces[f].v[j];
        if (v < static_cast<DWORD>(n)) s.colorMap[v] = static_cast<int>(mesh.vcFace[f].t[j]);
      }
    s.colorMapKey = mesh.numCVerts;
    s.colorMapFromTri = true;
  } else {
    s.colorMapKey = -1;
  }
  return hasColours;
}

}  // namespace

void DeformTriMesh(RestState& state, Mesh& mesh, const DeltaMushParams& params) {
  if (!state.restMesh) return;
  const int n = state.restMesh->numVerts;
  if (mesh.numVerts != n || mesh.numFaces != state.restMesh->numFaces) return;
  if (static_cast<int>(mesh.verts.size()) < n || !RestStateFits(state, n)) return;
  Point3* P = mesh.verts.data();

  if (params.showState) {
    ShowRestPositions(state, P, n);
    mesh.InvalidateGeomCache();
    return;
  }

  SmoothAndCarry(state, P, n, params.weight, params.iter);

  const bool hasColours = UpdateTriColourMap(state, mesh, params.vertCol, n);
  const bool useCol = params.vertCol && hasColours;
  const bool useSel = params.vertSel && mesh.selLevel == MESH_VERTEX;
  const float* soft = mesh.vDataSupport(VDATA_SELECT) ? mesh.vertexFloat(VDATA_SELECT) : nullptr;
  const int selBits = mesh.vertSel.GetSize();
  const int* cmap = state.colorMap.data();
  const bool cmapFits = state.colorMap.size() == static_cast<size_t>(n);
  const Point3* colours = mesh.vertCol.data();
  const int numCVerts = mesh.numCVerts;

  auto mask = [&](int i) {
    float col = 1.0f, sel = 1.0f;
    if (useCol && cmapFits) {
      const int c = cmap[i];
      if (c >= 0 && c < numCVerts) col = ColourMask(colours[c]);
    }
    if (useSel) {
      if (soft) sel = soft[i];
      else sel = (i < selBits && mesh.vertSel[i]) ? 1.0f : 0.0f;
    }
    return sel * col;
  };
  BlendResult(state, P, n, params.displace, mask);
  mesh.InvalidateGeomCache();
}
