// Small meshes built in code for tests and benchmarks.
#pragma once
#include <cmath>
#include <initializer_list>
#include <vector>

#include "../../sdk/mesh.h"
#include "../../sdk/mnmesh.h"

// A triangle mesh from positions and faces; every edge visible unless a face
// gives its own visibility bits.
struct TriFace {
  int a, b, c;
  DWORD vis = EDGE_ALL;
};
inline Mesh MakeTriMesh(const std::vector<Point3>& pts, const std::vector<TriFace>& faces) {
  Mesh m;
  m.setNumVerts(static_cast<int>(pts.size()));
  for (size_t i = 0; i < pts.size(); ++i) m.verts[i] = pts[i];
  m.setNumFaces(static_cast<int>(faces.size()));
  for (size_t f = 0; f < faces.size(); ++f) {
    m.faces[f].setVerts(faces[f].a, faces[f].b, faces[f].c);
    m.faces[f].flags = faces[f].vis;
  }
  return m;
}

// A quad torus: rings x segments vertices, every vertex with four neighbours
// along quad edges. A wavy radius gives it surface detail.
inline MNMesh MakeTorusPoly(int rings, int segments, float major = 2.0f, float minor = 0.6f, float bumps = 0.05f) {
  MNMesh m;
  m.setNumVerts(rings * segments);
  const float twoPi = 6.28318530718f;
  for (int r = 0; r < rings; ++r)
    for (int s = 0; s < segments; ++s) {
      const float u = twoPi * r / rings, v = twoPi * s / segments;
      const float rad = minor * (1.0f + bumps * std::sin(7.0f * u) * std::cos(5.0f * v));
      m.P(r * segments + s) = Point3((major + rad * std::cos(v)) * std::cos(u),
                                     (major + rad * std::cos(v)) * std::sin(u), rad * std::sin(v));
    }
  for (int r = 0; r < rings; ++r)
    for (int s = 0; s < segments; ++s) {
      const int r1 = (r + 1) % rings, s1 = (s + 1) % segments;
      m.NewFace({r * segments + s, r1 * segments + s, r1 * segments + s1, r * segments + s1});
    }
  return m;
}

inline Mesh MakeTorus(int rings, int segments, float major = 2.0f, float minor = 0.6f, float bumps = 0.05f) {
  Mesh out;
  MakeTorusPoly(rings, segments, major, minor, bumps).OutToTri(out);
  return out;
}

// An open grid of quads in the xy plane, nx by ny vertices.
inline MNMesh MakeGridPoly(int nx, int ny, float spacing = 1.0f) {
  MNMesh m;
  m.setNumVerts(nx * ny);
  for (int y = 0; y < ny; ++y)
    for (int x = 0; x < nx; ++x) m.P(y * nx + x) = Point3(x * spacing, y * spacing, 0.1f * ((x * 7 + y * 3) % 5));
  for (int y = 0; y + 1 < ny; ++y)
    for (int x = 0; x + 1 < nx; ++x)
      m.NewFace({y * nx + x, y * nx + x + 1, (y + 1) * nx + x + 1, (y + 1) * nx + x});
  return m;
}

// The twelve-triangle cube, consistently oriented.
inline Mesh MakeCube() {
  std::vector<Point3> p = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  std::vector<TriFace> f = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                            {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
  return MakeTriMesh(p, f);
}
