#include "plugin_fixture.h"
#include "sdk/instance_mgr.h"
#include "sdk/rollout.h"

namespace {

const wchar_t* kInstancingText =
    L"Fernwick does not support modifier instancing. Each node should have an unique Fernwick modifier applied.";

TEST_F(PluginTest, OneNodeNeverWarns) {
  Modifier* mod;
  NodeWithFernwick(MakeTorus(8, 6), mod);
  ip->OpenModifyPanel(mod);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 2);
  EXPECT_TRUE(MessageBoxLog().empty());
}

TEST_F(PluginTest, SharedModifierWarnsAndIsMadeUnique) {
  const Mesh rest = MakeTorus(8, 6);
  Modifier* mod;
  INode* a = NodeWithFernwick(rest, mod);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 2);  // rest captured from a
  TriObject* tri = CreateNewTriObject();
  tri->mesh = rest;
  INode* b = ip->CreateObjectNode(tri);
  InsertModifier(b, mod);  // the same modifier on two nodes
  ip->OpenModifyPanel(mod);
  ClearMessageBoxLog();

  mod->GetParamBlock(0)->SetValue(kIter, 0, 3);
  ASSERT_EQ(MessageBoxLog().size(), 1u);
  const MessageBoxRecord& box = MessageBoxLog()[0];
  EXPECT_EQ(box.text, kInstancingText);
  EXPECT_EQ(box.caption, L"Fernwick");
  EXPECT_EQ(box.type, 0x30u);
  EXPECT_EQ(box.owner, FindOpenRollout(L"Parameters"));

  Modifier* ma = FindModifierByClass(a, kFernwickId);
  Modifier* mb = FindModifierByClass(b, kFernwickId);
  ASSERT_NE(ma, nullptr);
  ASSERT_NE(mb, nullptr);
  EXPECT_NE(ma, mb);
  // Each carries the rest state: both deform alike.
  Pose(a, BentPositions(rest.verts));
  Pose(b, BentPositions(rest.verts));
  EXPECT_EQ(Evaluated(a), Evaluated(b));
  EXPECT_NE(Evaluated(a), BentPositions(rest.verts));
}

// The host refuses to make modifiers unique while this lives.
class RefusingHost {
 public:
  RefusingHost() { IInstanceMgr::GetInstanceMgr()->SetRefusing(true); }
  ~RefusingHost() { IInstanceMgr::GetInstanceMgr()->SetRefusing(false); }
  RefusingHost(const RefusingHost&) = delete;
  RefusingHost& operator=(const RefusingHost&) = delete;
};

TEST_F(PluginTest, RefusedInstancingWarnsAgainAtEachNotificationAndChangesNothing) {
  const Mesh rest = MakeTorus(8, 6);
  Modifier* mod;
  INode* a = NodeWithFernwick(rest, mod);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 2);
  TriObject* tri = CreateNewTriObject();
  tri->mesh = rest;
  INode* b = ip->CreateObjectNode(tri);
  InsertModifier(b, mod);
  ip->OpenModifyPanel(mod);
  const HWND rollout = FindOpenRollout(L"Parameters");
  ASSERT_NE(rollout, nullptr);
  const RefusingHost refusing;
  for (int change = 0; change < 2; ++change) {
    ClearMessageBoxLog();
    mod->GetParamBlock(0)->SetValue(kIter, 0, 3 + change);
    ASSERT_EQ(MessageBoxLog().size(), 1u) << "change " << change;
    EXPECT_EQ(MessageBoxLog()[0].text, kInstancingText);
    EXPECT_EQ(MessageBoxLog()[0].owner, rollout);
    EXPECT_EQ(FindModifierByClass(a, kFernwickId), mod);
    EXPECT_EQ(FindModifierByClass(b, kFernwickId), mod);
  }
}

}  // namespace
