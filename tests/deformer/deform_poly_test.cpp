// The polygon path: what it does as the triangle path does, and where it
// differs (the match test, map channel 0, the vertex selection level 1).
#include <gtest/gtest.h>

#include "deform_test_support.h"
#include "deformer/deform.h"
#include "deformer/rest_capture.h"
#include "tests/support/mesh_builders.h"

namespace {

MNMesh BentPoly(const MNMesh& quads) {
  MNMesh m = quads;
  for (int i = 0; i < m.numv; ++i) m.P(i) = BentPoint(m.P(i));
  return m;
}

std::vector<Point3> Positions(const MNMesh& m) {
  std::vector<Point3> out;
  for (int i = 0; i < m.numv; ++i) out.push_back(m.P(i));
  return out;
}

// Every quad (a, b, c, d) as the triangles (a, b, c) and (a, c, d).
MNMesh SplitIntoTriangles(const MNMesh& quads) {
  MNMesh m;
  m.setNumVerts(quads.numv);
  for (int i = 0; i < quads.numv; ++i) m.P(i) = quads.P(i);
  for (const MNFace& f : quads.f) {
    m.NewFace({f.vtx[0], f.vtx[1], f.vtx[2]});
    m.NewFace({f.vtx[0], f.vtx[2], f.vtx[3]});
  }
  return m;
}

TEST(DeformPoly, TrianglePolygonsGiveTheTrianglePathsPositions) {
  const MNMesh quads = MakeTorusPoly(10, 8);
  Mesh rest;
  quads.OutToTri(rest);
  RestState s;
  CaptureRestState(s, rest, 1.0f, 3, true);
  const Mesh bentTri = Bent(rest);
  MNMesh bentPoly = quads;
  for (int i = 0; i < bentPoly.numv; ++i) bentPoly.P(i) = bentTri.verts[i];

  Mesh tri = bentTri;
  DeformTriMesh(s, tri, Params(1.0f, 3));
  DeformPolyMesh(s, bentPoly, Params(1.0f, 3));
  for (int i = 0; i < bentPoly.numv; ++i) EXPECT_EQ(bentPoly.P(i), tri.verts[i]);
}

class DeformPolyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    quads = MakeTorusPoly(10, 8);
    Mesh rest;
    quads.OutToTri(rest);
    restVerts = rest.verts;
    CaptureRestState(s, rest, 1.0f, 3, true);
    input = BentPoly(quads);
    MNMesh m = input;
    DeformPolyMesh(s, m, Params(1.0f, 3));
    full = Positions(m);
  }
  Point3 MaskedAt(int i, float w) const { return Masked(full[i], input.P(i), w); }

  MNMesh quads, input;
  std::vector<Point3> restVerts, full;
  RestState s;
};

TEST_F(DeformPolyTest, InputsThatDoNotMatchTheRestMeshPassThrough) {
  MNMesh fewerVerts = BentPoly(MakeTorusPoly(10, 7));
  MNMesh fewerPolygons = input;
  fewerPolygons.f.pop_back();  // two triangles fewer
  --fewerPolygons.numf;
  for (MNMesh* m : {&fewerVerts, &fewerPolygons}) {
    const MNMesh before = *m;
    DeformPolyMesh(s, *m, Params(1.0f, 3));
    EXPECT_EQ(Positions(*m), Positions(before));
    EXPECT_EQ(m->geomCacheVersion, before.geomCacheVersion);
  }
  // More polygons but the same triangles: it matches, and faces play no part.
  MNMesh split = SplitIntoTriangles(input);
  ASSERT_NE(split.numf, input.numf);
  DeformPolyMesh(s, split, Params(1.0f, 3));
  EXPECT_EQ(Positions(split), full);
}

TEST_F(DeformPolyTest, ShowStateShowsTheCapturedMesh) {
  MNMesh m = input;
  DeltaMushParams p = Params(1.0f, 3);
  p.showState = true;
  DeformPolyMesh(s, m, p);
  EXPECT_EQ(Positions(m), restVerts);
  EXPECT_EQ(m.geomCacheVersion, input.geomCacheVersion + 1);
}

TEST_F(DeformPolyTest, ColourMaskComesFromMapChannelZero) {
  const Point3 colours[] = {{1, 1, 1}, {0, 0, 0}, {0.5f, 0.5f, 0.5f}, {0.2f, 0.3f, 0.4f}};
  MNMesh m = input;
  m.SetMapNum(2);
  for (int channel = 0; channel < 2; ++channel) {
    MNMap& map = *m.M(channel);
    map.numv = 4;
    // Channel 1 is all white and names its colours in another order: read by
    // mistake, for its values or its faces, it gives other masks.
    for (int c = 0; c < 4; ++c) map.v.push_back(channel == 0 ? colours[c] : Point3(1, 1, 1));
    for (const MNFace& f : m.f) {
      MNMapFace mf;
      for (int v : f.vtx) mf.tv.push_back((v + channel) % 4);
      mf.deg = f.deg;
      map.f.push_back(mf);
    }
  }
  DeltaMushParams p = Params(1.0f, 3);
  p.vertCol = true;
  DeformPolyMesh(s, m, p);
  for (int i = 0; i < m.numv; ++i) EXPECT_EQ(m.P(i), MaskedAt(i, MeanOfChannels(colours[i % 4]))) << i;
  EXPECT_EQ(s.colorMapKey, 4);
  EXPECT_FALSE(s.colorMapFromTri);
}

TEST_F(DeformPolyTest, SelectionMasksOnlyAtTheVertexLevel) {
  // The polygon mesh's vertex level is 1; its edge level has the value the
  // triangle mesh uses for vertices.
  const struct {
    int level;
    bool masks;
  } cases[] = {{MNM_SL_VERTEX, true}, {MNM_SL_EDGE, false}, {MNM_SL_FACE, false}, {MNM_SL_OBJECT, false}};
  for (const auto& c : cases) {
    MNMesh m = input;
    m.selLevel = c.level;
    for (int i = 0; i < m.numv; i += 3) m.v[i].flags |= MN_SEL;
    DeltaMushParams p = Params(1.0f, 3);
    p.vertSel = true;
    DeformPolyMesh(s, m, p);
    for (int i = 0; i < m.numv; ++i) {
      const float w = !c.masks || i % 3 == 0 ? 1.0f : 0.0f;
      ASSERT_EQ(m.P(i), MaskedAt(i, w)) << "level " << c.level << " vertex " << i;
    }
  }
}

TEST_F(DeformPolyTest, SoftSelectionWeightsTakePrecedenceOverFlags) {
  MNMesh m = input;
  m.selLevel = MNM_SL_VERTEX;
  for (MNVert& v : m.v) v.flags |= MN_SEL;
  m.setVDataSupport(VDATA_SELECT, true);
  float* soft = m.vertexFloat(VDATA_SELECT);
  for (int i = 0; i < m.numv; ++i) soft[i] = (i % 4) * 0.25f;
  DeltaMushParams p = Params(1.0f, 3);
  p.vertSel = true;
  DeformPolyMesh(s, m, p);
  for (int i = 0; i < m.numv; ++i) EXPECT_EQ(m.P(i), MaskedAt(i, (i % 4) * 0.25f)) << i;
}

}  // namespace
