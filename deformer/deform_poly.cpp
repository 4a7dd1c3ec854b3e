#include <algorithm>

#include "delta_mush_core.h"
#include "deform.h"

namespace {

// Polygon positions live inside the vertex records.
struct MNPositions {
  MNVert* v;
  Point3& operator[](int i) { return v[i].p; }
  const Point3& operator[](int i) const { return v[i].p; }
};

bool UpdatePolyColourMap(RestState& s, const MNMesh& mesh, bool vertCol, int n) {
  const MNMap* map = mesh.M(0);
  const int K = map ? map->numv : 0;
  const bool hasColours = map && K > 0 && static_cast<int>(map->v.size()) >= K;
  if (map && s.colorMapKey == K && !s.colorMapFromTri && s.colorMap.size() == static_cast<size_t>(n))
    return hasColours;
  if (vertCol && hasColours) {
    s.colorMap.assign(n, -1);
    const int faces = std::min<int>(mesh.numf, static_cast<int>(map->f.size()));
    for (int f = 0; f < faces; ++f) {
      const MNFace& face = mesh.f[f];
      const MNMapFace& mf = map->f[f];
      const int deg = std::min<int>({face.deg, static_cast<int>(face.vtx.size()), static_cast<int>(mf.tv.size())});
      for (int k = 0; k < deg; ++k) {
        const int v = face.vtx[k];
        if (v >= 0 && v < n) s.colorMap[v] = mf.tv[k];
      }
    }
    s.colorMapKey = K;
    s.colorMapFromTri = false;
  } else {
    s.colorMapKey = -1;
  }
  return hasColours;
}

}  // namespace

void DeformPolyMesh(RestState& state, MNMesh& mesh, const DeltaMushParams& params) {
  if (!state.restMesh) return;
  const int n = state.restMesh->numVerts;
  if (mesh.numv != n || mesh.TriNum() != state.restMesh->numFaces) return;
  if (static_cast<int>(mesh.v.size()) < n || !RestStateFits(state, n)) return;
  MNPositions P{mesh.v.data()};

  if (params.showState) {
    ShowRestPositions(state, P, n);
    mesh.InvalidateGeomCache();
    return;
  }

  SmoothAndCarry(state, P, n, params.weight, params.iter);

  const bool hasColours = UpdatePolyColourMap(state, mesh, params.vertCol, n);
  const bool useCol = params.vertCol && hasColours;
  const bool useSel = params.vertSel && mesh.selLevel == MNM_SL_VERTEX;
  const float* soft = mesh.vDataSupport(VDATA_SELECT) ? mesh.vertexFloat(VDATA_SELECT) : nullptr;
  BitArray selected;
  if (useSel && !soft) mesh.getVerticesByFlag(selected, MN_SEL, 0);
  const int selBits = selected.GetSize();
  const int* cmap = state.colorMap.data();
  const bool cmapFits = state.colorMap.size() == static_cast<size_t>(n);
  const MNMap* map = mesh.M(0);
  const Point3* colours = useCol ? map->v.data() : nullptr;
  const int numColours = useCol ? map->numv : 0;

  auto mask = [&](int i) {
    float col = 1.0f, sel = 1.0f;
    if (useCol && cmapFits) {
      const int c = cmap[i];
      if (c >= 0 && c < numColours) col = ColourMask(colours[c]);
    }
    if (useSel) {
      if (soft) sel = soft[i];
      else sel = (i < selBits && selected[i]) ? 1.0f : 0.0f;
    }
    return sel * col;
  };
  BlendResult(state, P, n, params.displace, mask);
  mesh.InvalidateGeomCache();
}
