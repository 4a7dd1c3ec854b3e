// The three scripts the plug-in hands to the host, run as given against
// small scenes, and what the scene looks like afterwards.
#include <string>

#include "script_test_support.h"
#include "../support/host_script_texts.h"

namespace {

using namespace script_test;

Point3 Row(INode* n, int frame, int row) { return n->GetNodeTM(frame * GetTicksPerFrame()).GetRow(row); }
Point3 Pos(INode* n, int frame) { return n->GetNodeTM(frame * GetTicksPerFrame()).GetTrans(); }

std::vector<int> KeyFrames(INode* n) {
  std::vector<int> out;
  const KeyTrack<Quat>& track = n->RotationTrack();
  for (int k = 0; k < track.NumKeys(); ++k) out.push_back(track.GetKey(k).time / GetTicksPerFrame());
  return out;
}

constexpr float kC = 0.8660254f;  // cos 30
constexpr float kS = 0.5f;        // sin 30

// --- closing script of a solve ---------------------------------------------

class ClosingScriptTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    // Stack of a: f2 on top, a move, then f1 in a chained inner stack.
    f1 = new MushMod;
    move = new TranslateMod({1, 0, 0});
    f2 = new MushMod;
    a = NodeWith(L"a", {move, f1});
    auto* outer = CreateDerivedObject(a->GetObjectRef());
    outer->AddModifier(f2);
    a->SetObjectRef(outer);
    other = new MushMod;
    b = NodeWith(L"b", {other});
  }
  MushMod *f1 = nullptr, *f2 = nullptr, *other = nullptr;
  TranslateMod* move = nullptr;
  INode *a = nullptr, *b = nullptr;
};

TEST_F(ClosingScriptTest, SwitchesOffThisClassOnTheSelectedNodeAndSelectsItAgain) {
  ASSERT_EQ(StackOf(a).size(), 3u);
  ip->SelectNode(a);
  EXPECT_EQ(ExecuteScript(kClosingScript, FALSE, nullptr, TRUE), 1) << terminal.str();
  EXPECT_FALSE(f1->IsEnabled());
  EXPECT_FALSE(f2->IsEnabled());
  EXPECT_TRUE(move->IsEnabled()) << "other classes stay on";
  EXPECT_TRUE(other->IsEnabled()) << "the unselected node is not touched";
  ASSERT_EQ(ip->GetSelNodeCount(), 1);
  EXPECT_EQ(ip->GetSelNode(0), a);
  EXPECT_TRUE(MessageBoxLog().empty());
  EXPECT_EQ(LastScriptError().line, 0);
}

TEST_F(ClosingScriptTest, ActsOnTheSelectionAndFailsWithoutOne) {
  ip->SelectNode(b);
  EXPECT_EQ(ExecuteScript(kClosingScript, FALSE, nullptr, TRUE), 1);
  EXPECT_FALSE(other->IsEnabled());
  EXPECT_TRUE(f1->IsEnabled());
  EXPECT_TRUE(f2->IsEnabled());

  // Nothing selected: $ is undefined and the loop's collection fails on line 2.
  other->EnableMod();
  ip->ClearNodeSelection();
  EXPECT_EQ(ExecuteScript(kClosingScript, FALSE, nullptr, TRUE), 0);
  EXPECT_EQ(LastScriptError().line, 2);
  EXPECT_NE(LastScriptError().message.find(L"modifiers"), std::wstring::npos);
  ASSERT_EQ(MessageBoxLog().size(), 1u) << "errors are not quiet";
  EXPECT_NE(MessageBoxLog()[0].text.find(L"line 2"), std::wstring::npos);
  EXPECT_NE(terminal.str().find("line 2"), std::string::npos);
  EXPECT_TRUE(other->IsEnabled());
  EXPECT_EQ(ip->GetSelNodeCount(), 0);
}

// --- proxy animation script --------------------------------------------------

class AnimationScriptTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    mod = new MushMod;
    body = NodeWith(L"body", {mod});
    ip->OpenModifyPanel(mod);
  }
  INode* Proxy(const wchar_t* name) { return ip->CreateObjectNode(nullptr, name); }
  MushMod* mod = nullptr;
  INode* body = nullptr;
};

TEST_F(AnimationScriptTest, KeysEachProxyInTurnInItsOwnAxesAndSetsTheRange) {
  // p0 at the top with p1 as its child 10 units along x; p2 turned 90
  // degrees about world x, so its local z is world -y and its local y world z.
  INode* p0 = Proxy(L"p0");
  INode* p1 = Proxy(L"p1");
  INode* p2 = Proxy(L"p2");
  p0->AttachChild(p1);
  p1->PositionTrack().SetValue({10, 0, 0});
  p2->RotationTrack().SetValue(QFromAngAxis(1.5707963f, {1, 0, 0}));
  // Handle-list order p2, p0, p1: p2 animates first.
  const std::wstring script = AnimationScript({p2->GetHandle(), p0->GetHandle(), p1->GetHandle()});
  ASSERT_EQ(script.rfind(L"kostkiHandles = #(4, 2, 3)\ncurFNWKMod = ", 0), 0u);
  ip->SetAnimRange(Interval(0, Frames(20)));
  ip->SetTime(Frames(10));

  ASSERT_EQ(ExecuteScript(script.c_str(), FALSE, nullptr, TRUE), 1) << terminal.str();

  // T = 10, n = 3: the sample range is 10 to 23, past the old end of 20.
  EXPECT_EQ(ip->GetAnimRange(), Interval(Frames(10), Frames(23)));
  EXPECT_EQ(ip->GetTime(), Frames(10));
  EXPECT_EQ(mod->pblock->GetInt(kStartFrame), 10);
  EXPECT_EQ(mod->pblock->GetInt(kEndFrame), 23);
  EXPECT_FALSE(ip->GetAnimateMode()) << "animate mode ends with its context";

  // Proxy k keys T+4k .. T+4k+5; the first key away from 0 also keeps the
  // rest pose at 0.
  EXPECT_EQ(KeyFrames(p2), (std::vector<int>{0, 10, 11, 12, 13, 14, 15}));
  EXPECT_EQ(KeyFrames(p0), (std::vector<int>{0, 14, 15, 16, 17, 18, 19}));
  EXPECT_EQ(KeyFrames(p1), (std::vector<int>{0, 18, 19, 20, 21, 22, 23}));
  EXPECT_EQ(p0->PositionTrack().NumKeys(), 0) << "rotate keys the rotation only";

  const float e = 1e-4f;
  // p2: x axis (1,0,0), y (0,0,1), z (0,-1,0) at rest. +30 about local z
  // (world -y) takes x to (cos, 0, sin); -30 to (cos, 0, -sin); then -30
  // about local y (world z) takes x to (cos, -sin, 0) and +30 to (cos, sin, 0).
  EXPECT_P3_NEAR(Row(p2, 10, 0), Point3(1, 0, 0), e);
  EXPECT_P3_NEAR(Row(p2, 10, 1), Point3(0, 0, 1), e);
  EXPECT_P3_NEAR(Row(p2, 11, 0), Point3(kC, 0, kS), e);
  EXPECT_P3_NEAR(Row(p2, 11, 2), Point3(0, -1, 0), e);
  EXPECT_P3_NEAR(Row(p2, 12, 0), Point3(kC, 0, -kS), e);
  EXPECT_P3_NEAR(Row(p2, 13, 0), Point3(kC, -kS, 0), e);
  EXPECT_P3_NEAR(Row(p2, 13, 1), Point3(0, 0, 1), e);
  EXPECT_P3_NEAR(Row(p2, 14, 0), Point3(kC, kS, 0), e);
  EXPECT_P3_NEAR(Row(p2, 15, 0), Point3(1, 0, 0), e);
  EXPECT_P3_NEAR(Row(p2, 15, 2), Point3(0, -1, 0), e);
  // Frames 16 on belong to the others: p2 holds its rest pose.
  EXPECT_P3_NEAR(Row(p2, 17, 0), Point3(1, 0, 0), e);

  // p0 from rest (identity): +30 about z at 15, -30 about z at 16, -30 about
  // y at 17 (x to (cos, 0, sin)), +30 about y at 18, rest at 19.
  EXPECT_P3_NEAR(Row(p0, 14, 0), Point3(1, 0, 0), e);
  EXPECT_P3_NEAR(Row(p0, 15, 0), Point3(kC, kS, 0), e);
  EXPECT_P3_NEAR(Row(p0, 16, 0), Point3(kC, -kS, 0), e);
  EXPECT_P3_NEAR(Row(p0, 17, 0), Point3(kC, 0, kS), e);
  EXPECT_P3_NEAR(Row(p0, 18, 0), Point3(kC, 0, -kS), e);
  EXPECT_P3_NEAR(Row(p0, 19, 0), Point3(1, 0, 0), e);
  // Its child follows it while still at rest itself, then turns on its own.
  EXPECT_P3_NEAR(Pos(p1, 15), Point3(10 * kC, 10 * kS, 0), 1e-3f);
  EXPECT_P3_NEAR(Pos(p1, 19), Point3(10, 0, 0), 1e-3f);
  EXPECT_P3_NEAR(Row(p1, 19, 0), Point3(kC, kS, 0), e);
  EXPECT_P3_NEAR(Row(p1, 23, 0), Point3(1, 0, 0), e);
}

TEST_F(AnimationScriptTest, RangeGrowsOnlyWhenTooShortAndFramesFollowTheSlider) {
  struct Case {
    int proxies, rangeEnd, slider;
    Interval range;
    int start, end;
  };
  const Case cases[] = {
      {10, 30, 0, Interval(Frames(0), Frames(41)), 0, 41},    // grows to 0..41
      {10, 100, 0, Interval(Frames(0), Frames(100)), 0, 41},  // long enough: stays
      {0, 100, 5, Interval(Frames(0), Frames(100)), 5, 6},    // empty list: T to T+1
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.proxies << " proxies, range end " << c.rangeEnd);
    std::vector<INode*> proxies;
    std::vector<ULONG> handles;
    for (int k = 0; k < c.proxies; ++k) {
      proxies.push_back(Proxy(L"p"));
      handles.push_back(proxies.back()->GetHandle());
    }
    ip->SetAnimRange(Interval(0, Frames(c.rangeEnd)));
    ip->SetTime(Frames(c.slider));
    ASSERT_EQ(ExecuteScript(AnimationScript(handles).c_str(), FALSE, nullptr, TRUE), 1) << terminal.str();
    EXPECT_EQ(ip->GetAnimRange(), c.range);
    EXPECT_EQ(mod->pblock->GetInt(kStartFrame), c.start);
    EXPECT_EQ(mod->pblock->GetInt(kEndFrame), c.end);
    EXPECT_EQ(ip->GetTime(), Frames(c.slider));
    for (int k = 0; k < c.proxies; ++k) {
      // Proxies after the first also keep their rest pose at 0.
      std::vector<int> want{4 * k, 4 * k + 1, 4 * k + 2, 4 * k + 3, 4 * k + 4, 4 * k + 5};
      if (k > 0) want.insert(want.begin(), 0);
      EXPECT_EQ(KeyFrames(proxies[k]), want) << "proxy " << k;
    }
    for (INode* p : proxies) ip->DeleteNode(p);
  }
}

TEST_F(AnimationScriptTest, WithoutAModifierInThePanelTheRotationsStayAndTheLastLinesFail) {
  INode* p = Proxy(L"p");
  ip->CloseModifyPanel();
  ip->SetTime(0);
  EXPECT_EQ(ExecuteScript(AnimationScript({p->GetHandle()}).c_str(), TRUE, nullptr, TRUE), 0);
  // Line 1 is the handle list, so the fixed text's line 33 is line 34.
  EXPECT_EQ(LastScriptError().line, 34);
  EXPECT_TRUE(MessageBoxLog().empty()) << "quiet errors show no box";
  EXPECT_NE(terminal.str().find("line 34"), std::string::npos) << "but are logged";
  EXPECT_EQ(KeyFrames(p), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(mod->pblock->GetInt(kStartFrame), 0);
  EXPECT_EQ(mod->pblock->GetInt(kEndFrame), 100);
}

// --- duplication script --------------------------------------------------------

class DuplicationScriptTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    src = new MushMod;
    src->pblock->SetValue(kWeight, 0, 0.25f);
    src->pblock->SetValue(kIter, 0, 7);
    src->pblock->SetValue(kEndFrame, 0, 41);
    move = new TranslateMod({0, 1, 0});
    node = NodeWith(L"node", {move, src});
    ip->OpenModifyPanel(src);
  }
  MushMod* src = nullptr;
  TranslateMod* move = nullptr;
  INode* node = nullptr;
};

TEST_F(DuplicationScriptTest, PutsAnIndependentCopyOnTopAndShowsIt) {
  ip->SelectNode(node);
  ASSERT_EQ(ExecuteScript(kDuplicationScript, FALSE, nullptr, TRUE), 1) << terminal.str();
  const std::vector<Modifier*> stack = StackOf(node);
  ASSERT_EQ(stack.size(), 3u);
  EXPECT_EQ(stack[1], move);
  EXPECT_EQ(stack[2], src);
  auto* copy = dynamic_cast<MushMod*>(stack[0]);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, src);
  EXPECT_NE(copy->pblock, src->pblock);
  EXPECT_FLOAT_EQ(copy->pblock->GetFloat(kWeight), 0.25f);
  EXPECT_EQ(copy->pblock->GetInt(kIter), 7);
  EXPECT_EQ(copy->pblock->GetInt(kEndFrame), 41);
  EXPECT_EQ(ip->GetModifyPanelModifier(), copy);
  EXPECT_TRUE(MessageBoxLog().empty());

  copy->pblock->SetValue(kIter, 0, 3);
  EXPECT_EQ(src->pblock->GetInt(kIter), 7) << "the copy is independent";
  EXPECT_EQ(MushMod::alive, 2);
}

TEST_F(DuplicationScriptTest, RefusesASelectionOfSeveralNodes) {
  INode* second = NodeWith(L"second", {});
  ip->SelectNode(node);
  ip->SelectNode(second, 0);
  ASSERT_EQ(ExecuteScript(kDuplicationScript, FALSE, nullptr, TRUE), 1);
  ASSERT_EQ(MessageBoxLog().size(), 1u);
  EXPECT_EQ(MessageBoxLog()[0].text,
            L"Fernwick modifier does not support modifier instancing.\nThis operation can not be performed.");
  EXPECT_EQ(MessageBoxLog()[0].caption, L"Fernwick");
  EXPECT_EQ(StackOf(node).size(), 2u);
  EXPECT_EQ(second->GetObjectRef()->SuperClassID(), GEOMOBJECT_CLASS_ID);
  EXPECT_EQ(ip->GetModifyPanelModifier(), src);
  EXPECT_EQ(MushMod::alive, 1);
}

TEST_F(DuplicationScriptTest, NothingSelectedFailsAfterTheCopyWhichIsThenDropped) {
  EXPECT_EQ(ExecuteScript(kDuplicationScript, TRUE, nullptr, FALSE), 0);
  EXPECT_EQ(LastScriptError().line, 4) << "addModifier gets undefined";
  EXPECT_EQ(StackOf(node).size(), 2u);
  EXPECT_EQ(MushMod::alive, 1) << "the unused copy is deleted";
  EXPECT_TRUE(terminal.str().empty()) << "quiet and not logged";
}

}  // namespace
