#include <functional>

#include "plugin_fixture.h"
#include "sdk/spline_shape.h"

namespace {

// What the deformer gives when called directly with these parameters.
std::vector<Point3> Direct(const Mesh& rest, const std::vector<Point3>& posed, const DeltaMushParams& p) {
  RestState s;
  CaptureRestState(s, rest, p.weight, p.iter, p.boundFixed);
  Mesh m = rest;
  m.verts = posed;
  DeformTriMesh(s, m, p);
  return m.verts;
}

TEST_F(PluginTest, PassesThroughUntilTheFirstNotificationCaptures) {
  const Mesh rest = MakeTorus(12, 8);
  Modifier* mod;
  INode* node = NodeWithFernwick(rest, mod);
  const std::vector<Point3> bent = BentPositions(rest.verts);
  Pose(node, bent);
  EXPECT_EQ(Evaluated(node), bent);  // no rest state yet

  // The first parameter change captures the current (posed) mesh as the rest.
  Pose(node, rest.verts);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 4);
  Pose(node, bent);
  DeltaMushParams p;
  p.iter = 4;
  EXPECT_EQ(Evaluated(node), Direct(rest, bent, p));
  EXPECT_EQ(Evaluated(node, 4800), Direct(rest, bent, p));
}

TEST_F(PluginTest, ParametersReactThroughTheBlock) {
  const Mesh rest = MakeTorus(12, 8);
  Modifier* mod;
  INode* node = NodeWithFernwick(rest, mod);
  IParamBlock2* pb = mod->GetParamBlock(0);
  pb->SetValue(kIter, 0, 3);  // captures
  const std::vector<Point3> bent = BentPositions(rest.verts);
  Pose(node, bent);

  DeltaMushParams p;
  p.iter = 3;
  p.weight = 0.5f;
  p.displace = 0.25f;
  pb->SetValue(kWeight, 0, 0.5f);
  pb->SetValue(kDisplace, 0, 0.25f);
  EXPECT_EQ(Evaluated(node), Direct(rest, bent, p));

  p.showState = true;
  pb->SetValue(kShowState, 0, 1);
  EXPECT_EQ(Evaluated(node), rest.verts);
}

TEST_F(PluginTest, BoundFixedRebuildsTheFixedSetAtOnce) {
  Mesh grid;
  MakeGridPoly(6, 5).OutToTri(grid);
  Modifier* mod;
  INode* node = NodeWithFernwick(grid, mod);
  IParamBlock2* pb = mod->GetParamBlock(0);
  pb->SetValue(kIter, 0, 2);
  const std::vector<Point3> bent = BentPositions(grid.verts);
  Pose(node, bent);
  DeltaMushParams p;
  p.iter = 2;
  const std::vector<Point3> fixedResult = Evaluated(node);
  EXPECT_EQ(fixedResult, Direct(grid, bent, p));
  pb->SetValue(kBoundFixed, 0, 0);
  p.boundFixed = false;
  const std::vector<Point3> freeResult = Evaluated(node);
  EXPECT_EQ(freeResult, Direct(grid, bent, p));
  EXPECT_NE(freeResult[0], fixedResult[0]);  // a corner moves once it is free
}

TEST_F(PluginTest, AnimatedStrengthIsReadAtTheTimeSlider) {
  const Mesh rest = MakeTorus(10, 8);
  Modifier* mod;
  INode* node = NodeWithFernwick(rest, mod);
  IParamBlock2* pb = mod->GetParamBlock(0);
  pb->SetValue(kIter, 0, 5);
  ip->SetAnimateMode(TRUE);
  pb->SetValue(kWeight, 0, 1.0f);
  pb->SetValue(kWeight, 4800, 0.5f);
  ip->SetAnimateMode(FALSE);
  const std::vector<Point3> bent = BentPositions(rest.verts);
  Pose(node, bent);

  DeltaMushParams p;
  p.iter = 5;
  p.weight = 0.75f;  // halfway between the keys
  ip->SetTime(2400);
  // Evaluated at another time, still read at the slider.
  EXPECT_EQ(Evaluated(node, 4800), Direct(rest, bent, p));
  ip->SetTime(4800);
  p.weight = 0.5f;
  EXPECT_EQ(Evaluated(node, 0), Direct(rest, bent, p));
}

TEST_F(PluginTest, EachChangeOfStrengthOrIterationsSmoothsTheRestAgain) {
  const Mesh rest = MakeTorus(10, 8);
  Modifier* mod;
  INode* node = NodeWithFernwick(rest, mod);
  IParamBlock2* pb = mod->GetParamBlock(0);
  pb->SetValue(kIter, 0, 3);  // captures
  const std::vector<Point3> bent = BentPositions(rest.verts);
  Pose(node, bent);
  DeltaMushParams p;
  p.iter = 3;
  ASSERT_EQ(Evaluated(node), Direct(rest, bent, p));

  // One parameter at a time, each checked against a fresh capture.
  const struct {
    const char* what;
    std::function<void()> change;
    float weight;
    int iter;
  } steps[] = {
      {"iter alone", [&] { pb->SetValue(kIter, 0, 5); }, 1.0f, 5},
      {"weight alone", [&] { pb->SetValue(kWeight, 0, 0.5f); }, 0.5f, 5},
      {"weight back to its old value", [&] { pb->SetValue(kWeight, 0, 1.0f); }, 1.0f, 5},
      {"iter back to its old value", [&] { pb->SetValue(kIter, 0, 3); }, 1.0f, 3},
  };
  for (const auto& step : steps) {
    step.change();
    p.weight = step.weight;
    p.iter = step.iter;
    EXPECT_EQ(Evaluated(node), Direct(rest, bent, p)) << step.what;
  }
}

TEST_F(PluginTest, ChangesSeenWhileTheInputPassesThroughAreKept) {
  const Mesh rest = MakeTorus(10, 8);
  Modifier* mod;
  INode* node = NodeWithFernwick(rest, mod);
  IParamBlock2* pb = mod->GetParamBlock(0);
  pb->SetValue(kIter, 0, 3);
  const std::vector<Point3> bent = BentPositions(rest.verts);
  Pose(node, bent);
  Evaluated(node);

  // Each change is evaluated first while the mesh below does not match.
  const struct {
    const char* what;
    std::function<void()> change;
    float weight;
    int iter;
  } changes[] = {
      {"iter", [&] { pb->SetValue(kIter, 0, 6); }, 1.0f, 6},
      {"weight", [&] { pb->SetValue(kWeight, 0, 0.5f); }, 0.5f, 6},
  };
  TriObject* base = BaseTri(node);
  for (const auto& c : changes) {
    base->mesh = MakeTorus(10, 9);
    base->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    c.change();
    EXPECT_EQ(Evaluated(node), base->mesh.verts) << c.what;

    base->mesh = rest;
    Pose(node, bent);
    DeltaMushParams p;
    p.iter = c.iter;
    p.weight = c.weight;
    EXPECT_EQ(Evaluated(node), Direct(rest, bent, p)) << c.what;
  }
}

TEST_F(PluginTest, PolygonMeshesTakeThePolygonPathUnconverted) {
  const MNMesh quads = MakeTorusPoly(10, 8);
  PolyObject* poly = new PolyObject;
  poly->mm = quads;
  INode* node = ip->CreateObjectNode(poly);
  Modifier* mod = NewFernwick();
  InsertModifier(node, mod);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 3);  // captures the triangle conversion

  for (int i = 0; i < poly->mm.numv; ++i) poly->mm.P(i) = BentPositions({quads.P(i)})[0];
  poly->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
  Object* out = node->EvalWorldState(0).obj;
  ASSERT_TRUE(out->IsSubClassOf(polyObjectClassID));

  Mesh rest;
  quads.OutToTri(rest);
  RestState s;
  CaptureRestState(s, rest, 1.0f, 3, true);
  MNMesh expect = poly->mm;
  DeltaMushParams p;
  p.iter = 3;
  DeformPolyMesh(s, expect, p);
  MNMesh& got = static_cast<PolyObject*>(out)->GetMesh();
  for (int i = 0; i < got.numv; ++i) EXPECT_EQ(got.P(i), expect.P(i)) << i;
}

TEST_F(PluginTest, ObjectsThatAreNoMeshPassThrough) {
  SplineShape* shape = new SplineShape;
  shape->knots = {{0, 0, 0}, {1, 2, 3}};
  INode* node = ip->CreateObjectNode(shape);
  Modifier* mod = NewFernwick();
  InsertModifier(node, mod);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 3);
  Object* out = node->EvalWorldState(0).obj;
  ASSERT_TRUE(out->IsSubClassOf(splineShapeClassID));
  EXPECT_EQ(static_cast<SplineShape*>(out)->knots, shape->knots);
}

TEST_F(PluginTest, ExtractStateAgainstAnotherTopologyPassesThrough) {
  const Mesh rest = MakeTorus(10, 8);
  Modifier* mod;
  INode* node = NodeWithFernwick(rest, mod);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 3);
  // The mesh below changes its vertex count: the captured state no longer fits.
  TriObject* base = BaseTri(node);
  base->mesh = MakeTorus(10, 9);
  base->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
  EXPECT_EQ(Evaluated(node), base->mesh.verts);
}

}  // namespace
