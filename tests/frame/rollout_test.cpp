#include "plugin_fixture.h"
#include "sdk/custom_controls.h"
#include "sdk/rollout.h"
#include "sdk/rollout_snapshot.h"
#include "sdk/window.h"
#include "tests/support/temp_dir.h"

namespace {

class RolloutTest : public PluginTest {
 protected:
  HWND Open(Modifier* mod) {
    ip->OpenModifyPanel(mod);
    return FindOpenRollout(L"Parameters");
  }
  static std::wstring Text(HWND rollout, int id) { return GetWindowTextString(GetDlgItem(rollout, id)); }
  static bool Enabled(HWND rollout, int id) { return IsWindowEnabled(GetDlgItem(rollout, id)) != FALSE; }
};

TEST_F(RolloutTest, NewModifierOpensWithoutARestState) {
  Modifier* mod = NewFernwick();
  TriObject* tri = CreateNewTriObject();
  tri->mesh = MakeCube();
  INode* node = ip->CreateObjectNode(tri);
  InsertModifier(node, mod);
  HWND r = Open(mod);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(Text(r, 1004), L"--NONE--");
  EXPECT_FALSE(Enabled(r, 1002));
  EXPECT_TRUE(Enabled(r, 1010));
  EXPECT_FALSE(Enabled(r, 1014));
  EXPECT_TRUE(Enabled(r, 1011));
  EXPECT_TRUE(Enabled(r, 1012));
  EXPECT_EQ(Text(r, 1013), L"0.0005");
  EXPECT_EQ(Text(r, 1490), L"1.000");
  EXPECT_EQ(Text(r, 1494), L"100");
  // The "About" rollout sits collapsed below.
  const std::vector<RolloutInfo> rollouts = GetOpenRollouts();
  ASSERT_EQ(rollouts.size(), 2u);
  EXPECT_EQ(rollouts[1].title, L"About");
  EXPECT_FALSE(rollouts[1].open);
}

TEST_F(RolloutTest, ExtractStateShowsTheCounts) {
  Modifier* mod;
  INode* node = NodeWithFernwick(MakeTorus(12, 8), mod);
  HWND r = Open(mod);  // opening notifies the block: the first capture happens here or at the press
  ASSERT_TRUE(PressButton(r, 1001));
  EXPECT_EQ(Text(r, 1004), L"OK, V: 96, T: 192");
  EXPECT_TRUE(Enabled(r, 1002));

  // A new capture takes the current mesh: here a different topology.
  TriObject* base = BaseTri(node);
  base->mesh = MakeCube();
  base->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
  ASSERT_TRUE(PressButton(r, 1001));
  EXPECT_EQ(Text(r, 1004), L"OK, V: 8, T: 12");
}

TEST_F(RolloutTest, AccuracyFollowsSolverIterations) {
  Modifier* mod;
  NodeWithFernwick(MakeCube(), mod);
  HWND r = Open(mod);
  const std::pair<int, const wchar_t*> cases[] = {
      {1, L"1.0000"}, {2, L"0.5000"}, {5, L"0.0625"}, {12, L"0.0005"}, {15, L"0.0001"}, {20, L"0.0001"}};
  for (auto [n, text] : cases) {
    ASSERT_TRUE(EnterValue(r, 1502, n));
    EXPECT_EQ(Text(r, 1013), text) << n;
  }
  EXPECT_EQ(mod->GetParamBlock(0)->GetInt(kSolverIterations), 15);  // typed 20, clamped
  ASSERT_TRUE(EnterValue(r, 1495, 0));
  EXPECT_EQ(mod->GetParamBlock(0)->GetInt(kBoneLimit), 1);
  ASSERT_TRUE(EnterValue(r, 1490, 2.5));
  EXPECT_EQ(mod->GetParamBlock(0)->GetFloat(kWeight), 1.0f);
}

TEST_F(RolloutTest, ShowButtonAndCheckBoxesDriveTheirParameters) {
  const Mesh rest = MakeTorus(10, 8);
  Modifier* mod;
  INode* node = NodeWithFernwick(rest, mod);
  HWND r = Open(mod);
  ASSERT_TRUE(PressButton(r, 1001));
  Pose(node, BentPositions(rest.verts));
  ASSERT_TRUE(PressButton(r, 1002));
  EXPECT_EQ(mod->GetParamBlock(0)->GetInt(kShowState), 1);
  EXPECT_EQ(Evaluated(node), rest.verts);
  ASSERT_TRUE(PressButton(r, 1007));
  EXPECT_EQ(mod->GetParamBlock(0)->GetInt(kBoundFixed), 0);
  ASSERT_TRUE(PressButton(r, 1005));
  EXPECT_EQ(mod->GetParamBlock(0)->GetInt(kVertSel), 1);
}

TEST_F(RolloutTest, SnapshotShowsThePanelState) {
  Modifier* mod;
  NodeWithFernwick(MakeCube(), mod);
  HWND r = Open(mod);
  TempDir d;
  std::string error;
  ASSERT_TRUE(WriteCommandPanelSnapshot(d.File("panel.svg"), error)) << error;
  const std::string svg = TempDir::Read(d.File("panel.svg"));
  EXPECT_NE(svg.find("Solve Skin weights"), std::string::npos);
  EXPECT_NE(svg.find("Replace and remove proxy"), std::string::npos);
  EXPECT_NE(svg.find("disabled"), std::string::npos);
  (void)r;
}

TEST_F(RolloutTest, ClosingTheRolloutKeepsTheLastWindowAndRefreshesNothing) {
  Modifier* mod;
  NodeWithFernwick(MakeCube(), mod);
  Open(mod);
  ip->CloseModifyPanel();
  // Setting solverIterations with no rollout open must not touch a dead window.
  mod->GetParamBlock(0)->SetValue(kSolverIterations, 0, 3);
  EXPECT_EQ(mod->GetParamBlock(0)->GetInt(kSolverIterations), 3);
}

}  // namespace
