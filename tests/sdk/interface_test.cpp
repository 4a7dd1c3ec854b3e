#include <sstream>

#include "instance_mgr.h"
#include "host_terminal.h"
#include "sdk_test_support.h"

namespace {

// Records how the modify panel opens and closes it.
class PanelMod : public TranslateMod {
 public:
  PanelMod() : TranslateMod({0, 0, 0}) {}
  void BeginEditParams(Interface*, ULONG, Animatable* p) override { ++begins; prev = p; }
  void EndEditParams(Interface*, ULONG, Animatable* n) override { ++ends; next = n; }
  RefTargetHandle Clone(RemapDir& remap) override {
    auto* c = new PanelMod;
    c->delta = delta;
    BaseClone(this, c, remap);
    return c;
  }
  int begins = 0, ends = 0;
  Animatable* prev = nullptr;
  Animatable* next = nullptr;
};

// Two nodes whose stacks share one modifier, plus a third node without it.
class SharedModTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    shared = new PanelMod;
    shared->delta = {1, 0, 0};
    shared->SetName(L"shared one");
    for (INode*& n : nodes) {
      IDerivedObject* d = CreateDerivedObject(OneVertexTri({0, 0, 0}));
      n = ip->CreateObjectNode(d);
    }
    Stack(nodes[0])->AddModifier(shared);
    Stack(nodes[1])->AddModifier(new TranslateMod({0, 1, 0}));
    Stack(nodes[1])->AddModifier(shared, nullptr, 1);  // below the other
  }
  static IDerivedObject* Stack(INode* n) { return static_cast<IDerivedObject*>(n->GetObjectRef()); }
  PanelMod* shared = nullptr;
  INode* nodes[3] = {};
};

TEST_F(SharedModTest, ModContextsListEveryNodeHoldingTheOpenModifier) {
  ModContextList mcs;
  INodeTab found;
  ip->GetModContexts(mcs, found);
  EXPECT_EQ(found.Count(), 0) << "nothing open";

  ip->OpenModifyPanel(shared);
  EXPECT_EQ(shared->begins, 1);
  ip->GetModContexts(mcs, found);
  ASSERT_EQ(found.Count(), 2);
  EXPECT_EQ(found[0], nodes[0]);
  EXPECT_EQ(found[1], nodes[1]);
  EXPECT_EQ(mcs[0], Stack(nodes[0])->GetModContext(0));
  EXPECT_EQ(mcs[1], Stack(nodes[1])->GetModContext(1));

  auto* other = new PanelMod;
  Stack(nodes[2])->AddModifier(other);
  ip->OpenModifyPanel(other);
  EXPECT_EQ(shared->ends, 1);
  EXPECT_EQ(shared->next, other);
  EXPECT_EQ(other->prev, shared);
  ip->CloseModifyPanel();
  EXPECT_EQ(other->ends, 1);
  EXPECT_EQ(ip->GetModifyPanelModifier(), nullptr);
  ip->GetModContexts(mcs, found);
  EXPECT_EQ(found.Count(), 0);
}

TEST_F(SharedModTest, MakeModifiersUniqueGivesLaterNodesAClone) {
  auto* mgr = static_cast<IInstanceMgr*>(GetCOREInterface(Interface_ID(0x5ECD70B5, 0x59092257)));
  ASSERT_EQ(mgr, IInstanceMgr::GetInstanceMgr());
  INodeTab tab;
  tab.Append(nodes[0]);
  tab.Append(nodes[1]);
  Tab<ReferenceTarget*> mods;
  mods.Append(shared);
  mods.Append(shared);
  // A refusing host says no and keeps what it has.
  mgr->SetRefusing(true);
  EXPECT_FALSE(mgr->CanMakeModifiersUnique(tab, mods));
  mgr->SetRefusing(false);
  EXPECT_EQ(Stack(nodes[1])->GetModifier(1), shared);
  EXPECT_TRUE(mgr->CanMakeModifiersUnique(tab, mods));
  EXPECT_TRUE(mgr->MakeModifiersUnique(tab, mods, 1));

  EXPECT_EQ(Stack(nodes[0])->GetModifier(0), shared);
  Modifier* copy = Stack(nodes[1])->GetModifier(1);
  ASSERT_NE(copy, shared);
  EXPECT_EQ(copy->ClassID(), shared->ClassID());
  EXPECT_EQ(copy->GetName(), L"shared one");
  EXPECT_EQ(static_cast<PanelMod*>(copy)->delta, Point3(1, 0, 0));
  EXPECT_EQ(shared->GetDependents().size(), 1u);

  Tab<ReferenceTarget*> now;
  now.Append(shared);
  now.Append(copy);
  EXPECT_FALSE(mgr->CanMakeModifiersUnique(tab, now));
  EXPECT_FALSE(mgr->MakeModifiersUnique(tab, now, 1));
}

TEST_F(SceneTest, PromptAndProgressWriteToTheHostTerminal) {
  std::ostringstream out;
  SetHostTerminal(&out);
  ip->PushPrompt(L"first");
  ip->PushPrompt(L"second");
  ip->PopPrompt();
  ip->ReplacePrompt(L"Solving 1/3 10%");
  EXPECT_EQ(ip->GetPrompt(), L"Solving 1/3 10%");
  ip->ProgressStart(L"Binding...", TRUE, nullptr, nullptr);
  ip->ProgressUpdate(5);
  ip->ProgressUpdate(5);  // unchanged: not written again
  ip->ProgressUpdate(50);
  ip->ProgressEnd();
  SetHostTerminal(nullptr);
  ip->PushPrompt(L"silent");
  SetHostTerminal(&std::cerr);
  EXPECT_EQ(out.str(),
            "[prompt] first\n[prompt] second\n[prompt] first\n[prompt] Solving 1/3 10%\n"
            "[progress] Binding...\n[progress] Binding... 5%\n[progress] Binding... 50%\n"
            "[progress] Binding... done\n");
}

TEST_F(SceneTest, NodesAreFoundByHandleAndNameAndSelected) {
  INode* a = ip->CreateObjectNode(OneVertexTri({0, 0, 0}));
  INode* b = ip->CreateObjectNode(nullptr, L"bone");
  EXPECT_EQ(a->GetHandle(), 1u);
  EXPECT_STREQ(a->GetName(), L"Object001");
  EXPECT_EQ(ip->GetINodeByHandle(2), b);
  EXPECT_EQ(ip->GetINodeByName(L"bone"), b);
  EXPECT_EQ(ip->GetINodeByName(L"nobody"), nullptr);
  EXPECT_EQ(a->GetParentNode(), ip->GetRootNode());
  EXPECT_TRUE(ip->GetRootNode()->IsRootNode());

  ip->SelectNode(a);
  ip->SelectNode(b, 0);
  ASSERT_EQ(ip->GetSelNodeCount(), 2);
  EXPECT_EQ(ip->GetSelNode(1), b);
  ip->SelectNode(b);
  EXPECT_EQ(ip->GetSelNodeCount(), 1);

  b->AttachChild(a, 0);
  ip->DeleteNode(b);
  EXPECT_EQ(ip->GetINodeByHandle(2), nullptr);
  EXPECT_EQ(ip->GetSelNodeCount(), 0);
  EXPECT_EQ(a->GetParentNode(), ip->GetRootNode()) << "children move up";

  ip->ResetScene();
  EXPECT_EQ(ip->GetRootNode()->NumberOfChildren(), 0);
  EXPECT_EQ(ip->CreateObjectNode(nullptr)->GetHandle(), 1u);
}

TEST_F(SceneTest, TimeDefaults) {
  EXPECT_EQ(GetTicksPerFrame(), 160);
  EXPECT_EQ(ip->GetAnimRange(), Interval(0, 16000));
  ip->SetTime(320);
  EXPECT_EQ(ip->GetTime(), 320);
  ip->SetFrameRate(25);
  EXPECT_EQ(GetTicksPerFrame(), 192);
}

}  // namespace
