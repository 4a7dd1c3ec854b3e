#include "sdk/scene_file.h"

#include <cmath>
#include <limits>

#include "plugin_fixture.h"
#include "sdk/chunk_io.h"

namespace {

std::vector<BYTE> OwnData(Modifier* mod) {
  MemorySave out;
  EXPECT_EQ(mod->Save(&out), IO_OK);
  return out.Data();
}

Modifier* TopModifier(INode* node) {
  return static_cast<IDerivedObject*>(node->GetObjectRef())->GetModifier(0);
}

// A captured, posed Fernwick with non-default, keyed parameters deforms the
// same after the scene went through a file, and keeps its rest state.
TEST_F(PluginTest, SceneFileKeepsTheModifierDeformingAlike) {
  const Mesh rest = MakeTorus(12, 8);
  Modifier* mod;
  INode* node = NodeWithFernwick(rest, mod);
  node->SetName(L"Body");
  IParamBlock2* pb = mod->GetParamBlock(0);
  pb->SetValue(kIter, 0, 3);  // captures the rest state
  ip->SetAnimateMode(TRUE);
  pb->SetValue(kDisplace, 0, 1.0f);
  pb->SetValue(kDisplace, 4800, 0.5f);
  ip->SetAnimateMode(FALSE);
  pb->SetValue(kWeight, 0, 0.75f);
  const std::vector<Point3> bent = BentPositions(rest.verts);
  Pose(node, bent);
  // The deformer reads its parameters at the time slider.
  ip->SetTime(2400);
  const std::vector<Point3> at2400 = Evaluated(node, 2400);
  ip->SetTime(0);
  const std::vector<Point3> at0 = Evaluated(node, 0);
  ASSERT_NE(at0, bent) << "the modifier must change the pose for this test to mean anything";
  ASSERT_NE(at2400, at0);
  const std::vector<BYTE> own = OwnData(mod);

  std::string bytes, error;
  ASSERT_TRUE(SaveSceneToBytes(bytes, error)) << error;
  ip->ResetScene();
  ASSERT_TRUE(LoadSceneFromBytes(bytes, error)) << error;

  INode* loaded = ip->GetINodeByName(L"Body");
  ASSERT_NE(loaded, nullptr);
  Modifier* lmod = TopModifier(loaded);
  ASSERT_NE(lmod, nullptr);
  EXPECT_EQ(lmod->ClassID(), kFernwickId);
  IParamBlock2* lpb = lmod->GetParamBlock(0);
  ASSERT_NE(lpb, nullptr);
  EXPECT_EQ(lmod->GetReference(0), lpb);
  EXPECT_EQ(lpb->GetInt(kIter), 3);
  EXPECT_FLOAT_EQ(lpb->GetFloat(kWeight), 0.75f);
  EXPECT_FLOAT_EQ(lpb->GetFloat(kDisplace, 2400), 0.75f);  // halfway between the keys
  EXPECT_EQ(OwnData(lmod), own) << "rest mesh and proxy flag";

  ASSERT_EQ(ip->GetTime(), 0);
  const std::vector<Point3> after0 = Evaluated(loaded, 0);
  ip->SetTime(2400);
  const std::vector<Point3> after2400 = Evaluated(loaded, 2400);
  ASSERT_EQ(after0.size(), at0.size());
  for (size_t i = 0; i < at0.size(); ++i) {
    EXPECT_NEAR(after0[i].x, at0[i].x, 1e-6f) << i;
    EXPECT_NEAR(after0[i].y, at0[i].y, 1e-6f) << i;
    EXPECT_NEAR(after0[i].z, at0[i].z, 1e-6f) << i;
    EXPECT_NEAR(after2400[i].x, at2400[i].x, 1e-6f) << i;
    EXPECT_NEAR(after2400[i].z, at2400[i].z, 1e-6f) << i;
  }
}

// A file (or a script) can hold values the spinners never allow. The deformer
// reads them at the ends of their ranges: an iteration count of 2^31 - 1
// evaluates like 1000 instead of hanging the host, a weight of 7.5 like 1 and
// a NaN weight (scripts only: files refuse it) like 0.
TEST_F(PluginTest, SceneFileValuesBeyondTheSpinnersDeformAtTheRangeEnds) {
  const Mesh rest = MakeTorus(10, 6);
  const std::vector<Point3> bent = BentPositions(rest.verts);
  auto deformed = [&](int iter, float weight, bool throughFile = true) {
    Modifier* mod;
    INode* node = NodeWithFernwick(rest, mod);
    IParamBlock2* pb = mod->GetParamBlock(0);
    pb->SetValue(kIter, 0, iter);
    pb->SetValue(kWeight, 0, weight);
    Pose(node, bent);
    if (throughFile) {
      std::string bytes, error;
      EXPECT_TRUE(SaveSceneToBytes(bytes, error)) << error;
      ip->ResetScene();
      EXPECT_TRUE(LoadSceneFromBytes(bytes, error)) << error;
    }
    std::vector<INode*> nodes;
    ip->EnumNodes(nodes);
    EXPECT_EQ(nodes.size(), 1u);
    const std::vector<Point3> out = nodes.empty() ? std::vector<Point3>{} : Evaluated(nodes[0]);
    ip->ResetScene();
    return out;
  };
  const std::vector<Point3> at1000 = deformed(1000, 0.5f);
  ASSERT_NE(at1000, bent);
  EXPECT_EQ(deformed(std::numeric_limits<int>::max(), 0.5f), at1000);
  EXPECT_EQ(deformed(std::numeric_limits<int>::min(), 0.5f), deformed(0, 0.5f));
  EXPECT_EQ(deformed(4, 7.5f), deformed(4, 1.0f));
  const std::vector<Point3> nanWeight = deformed(4, std::numeric_limits<float>::quiet_NaN(), false);
  EXPECT_EQ(nanWeight, deformed(4, 0.0f, false));
  for (const Point3& p : nanWeight) ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
}

// Two Fernwicks on one stack, the lower one switched off: the order, the
// enabled states and the plug-in's own data survive.
TEST_F(PluginTest, SceneFileKeepsAStackOfTwoFernwicks) {
  Modifier* lower;
  INode* node = NodeWithFernwick(MakeTorus(8, 6), lower);
  lower->GetParamBlock(0)->SetValue(kIter, 0, 2);
  lower->DisableMod();
  Modifier* upper = NewFernwick();
  InsertModifier(node, upper);
  upper->GetParamBlock(0)->SetValue(kIter, 0, 5);

  std::string bytes, error;
  ASSERT_TRUE(SaveSceneToBytes(bytes, error)) << error;
  ASSERT_TRUE(LoadSceneFromBytes(bytes, error)) << error;
  std::vector<INode*> all;
  ip->EnumNodes(all);
  ASSERT_EQ(all.size(), 1u);
  auto* d = static_cast<IDerivedObject*>(all[0]->GetObjectRef());
  ASSERT_EQ(d->NumModifiers(), 2);
  EXPECT_EQ(d->GetModifier(0)->GetParamBlock(0)->GetInt(kIter), 5);
  EXPECT_TRUE(d->GetModifier(0)->IsEnabled());
  EXPECT_EQ(d->GetModifier(1)->GetParamBlock(0)->GetInt(kIter), 2);
  EXPECT_FALSE(d->GetModifier(1)->IsEnabled());
  EXPECT_NE(d->GetModifier(0)->GetParamBlock(0), d->GetModifier(1)->GetParamBlock(0));
}

// A scene saved with the boundary free loads with the boundary free: the
// fixed set is rebuilt from the loaded value, not from the default.
TEST_F(PluginTest, SceneFileRebuildsTheFixedSetFromTheSavedSetting) {
  Mesh grid;
  MakeGridPoly(6, 5).OutToTri(grid);
  Modifier* mod;
  INode* node = NodeWithFernwick(grid, mod);
  node->SetName(L"Sheet");
  IParamBlock2* pb = mod->GetParamBlock(0);
  pb->SetValue(kIter, 0, 2);
  pb->SetValue(kBoundFixed, 0, 0);
  Pose(node, BentPositions(grid.verts));
  const std::vector<Point3> free = Evaluated(node);
  pb->SetValue(kBoundFixed, 0, 1);
  ASSERT_NE(Evaluated(node), free) << "the boundary must make a difference for this test to mean anything";
  pb->SetValue(kBoundFixed, 0, 0);

  std::string bytes, error;
  ASSERT_TRUE(SaveSceneToBytes(bytes, error)) << error;
  ip->ResetScene();
  ASSERT_TRUE(LoadSceneFromBytes(bytes, error)) << error;
  INode* loaded = ip->GetINodeByName(L"Sheet");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(TopModifier(loaded)->GetParamBlock(0)->GetInt(kBoundFixed), 0);
  EXPECT_EQ(Evaluated(loaded), free);
}

}  // namespace
