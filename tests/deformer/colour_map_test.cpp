// The vertex -> colour-vertex map shared by both paths: which corner decides,
// and which path's map is kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "deform_test_support.h"
#include "deformer/deform.h"
#include "deformer/rest_capture.h"
#include "tests/support/mesh_builders.h"

namespace {

const Point3 kColours[] = {{1, 1, 1}, {0, 0, 0}, {0.5f, 0.5f, 0.5f}};

class ColourMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    quads = MakeTorusPoly(6, 5);
    Mesh rest;
    quads.OutToTri(rest);
    CaptureRestState(s, rest, 1.0f, 2, true);
    for (int i = 0; i < quads.numv; ++i) quads.P(i) = BentPoint(quads.P(i));
    quads.OutToTri(tri);
    // Unmasked results of both paths.
    Mesh t = tri;
    DeformTriMesh(s, t, Params(1.0f, 2));
    fullTri = t.verts;
    MNMesh q = quads;
    DeformPolyMesh(s, q, Params(1.0f, 2));
    for (int i = 0; i < q.numv; ++i) fullPoly.push_back(q.P(i));
  }

  // Colour vertex of each corner: corner(face, vertex).
  template <typename Corner>
  Mesh TriWithColours(Corner corner) const {
    Mesh m = tri;
    m.setNumVertCol(3);
    for (int c = 0; c < 3; ++c) m.vertCol[c] = kColours[c];
    for (int f = 0; f < m.numFaces; ++f)
      for (int j = 0; j < 3; ++j) m.vcFace[f].t[j] = corner(f, static_cast<int>(m.faces[f].v[j]));
    return m;
  }
  template <typename Corner>
  MNMesh PolyWithColours(Corner corner) const {
    MNMesh m = quads;
    m.SetMapNum(1);
    MNMap& map = *m.M(0);
    map.numv = 3;
    map.v.assign(std::begin(kColours), std::end(kColours));
    for (int f = 0; f < m.numf; ++f) {
      MNMapFace mf;
      for (int v : m.f[f].vtx) mf.tv.push_back(corner(f, v));
      mf.deg = m.f[f].deg;
      map.f.push_back(mf);
    }
    return m;
  }

  static DeltaMushParams WithColour() {
    DeltaMushParams p = Params(1.0f, 2);
    p.vertCol = true;
    return p;
  }

  MNMesh quads;
  Mesh tri;
  std::vector<Point3> fullTri, fullPoly;
  RestState s;
};

TEST_F(ColourMapTest, LastFaceNamingAVertexDecidesOnBothPaths) {
  // Every corner of face f takes colour vertex f % 3, so a vertex's faces
  // disagree; the colour it shows is that of the highest face naming it.
  auto corner = [](int f, int) { return f % 3; };
  auto names = [](const std::vector<int>& face, int v) { return std::find(face.begin(), face.end(), v) != face.end(); };
  auto lastFace = [&](const std::vector<std::vector<int>>& faces, int v) {
    for (int f = static_cast<int>(faces.size()) - 1; f >= 0; --f)
      if (names(faces[f], v)) return f;
    return -1;
  };
  auto firstFace = [&](const std::vector<std::vector<int>>& faces, int v) {
    for (int f = 0; f < static_cast<int>(faces.size()); ++f)
      if (names(faces[f], v)) return f;
    return -1;
  };

  std::vector<std::vector<int>> triFaces, polyFaces;
  for (int f = 0; f < tri.numFaces; ++f)
    triFaces.push_back({static_cast<int>(tri.faces[f].v[0]), static_cast<int>(tri.faces[f].v[1]),
                        static_cast<int>(tri.faces[f].v[2])});
  for (const MNFace& f : quads.f) polyFaces.push_back(f.vtx);

  Mesh m = TriWithColours(corner);
  DeformTriMesh(s, m, WithColour());
  MNMesh q = PolyWithColours(corner);
  DeformPolyMesh(s, q, WithColour());
  int disagreeing = 0;
  for (int v = 0; v < tri.numVerts; ++v) {
    const int triColour = lastFace(triFaces, v) % 3, polyColour = lastFace(polyFaces, v) % 3;
    EXPECT_EQ(m.verts[v], Masked(fullTri[v], tri.verts[v], MeanOfChannels(kColours[triColour]))) << v;
    EXPECT_EQ(q.P(v), Masked(fullPoly[v], quads.P(v), MeanOfChannels(kColours[polyColour]))) << v;
    disagreeing += firstFace(triFaces, v) % 3 != triColour && firstFace(polyFaces, v) % 3 != polyColour;
  }
  EXPECT_GT(disagreeing, 0) << "the first face must give another colour somewhere";
}

TEST_F(ColourMapTest, MapBuiltByOnePathIsRebuiltByTheOther) {
  // Both meshes have three colour vertices, but name them differently: a map
  // kept across the paths would show the other path's colours.
  const Mesh m = TriWithColours([](int, int v) { return v % 3; });
  const MNMesh q = PolyWithColours([](int, int v) { return (v + 1) % 3; });
  for (int round = 0; round < 2; ++round) {
    Mesh t = m;
    DeformTriMesh(s, t, WithColour());
    EXPECT_TRUE(s.colorMapFromTri);
    for (int v = 0; v < t.numVerts; ++v)
      ASSERT_EQ(t.verts[v], Masked(fullTri[v], tri.verts[v], MeanOfChannels(kColours[v % 3]))) << round << " " << v;
    MNMesh p = q;
    DeformPolyMesh(s, p, WithColour());
    EXPECT_FALSE(s.colorMapFromTri);
    for (int v = 0; v < p.numv; ++v)
      ASSERT_EQ(p.P(v), Masked(fullPoly[v], quads.P(v), MeanOfChannels(kColours[(v + 1) % 3]))) << round << " " << v;
  }
}

}  // namespace
