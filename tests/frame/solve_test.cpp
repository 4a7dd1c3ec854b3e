#include <functional>

#include "rig_fixture.h"
#include "tests/support/host_script_texts.h"

namespace {

const wchar_t* kConfirm =
    L"The solver takes into account all the modifier stack deformations from this Fernwick down to Skin. It will "
    L"replace existing Skin weights.\nThe rigg should be in the rest pose now. Do you want to continue?";

TEST_F(RigTest, SolveBringsLinearSkinningCloserToDeltaMush) {
  BuildRig();
  const std::vector<std::vector<Point3>> mush = Frames();
  fernwick->DisableMod();
  const std::vector<std::vector<Point3>> before = Frames();
  fernwick->EnableMod();
  HWND r = OpenRollout();
  ip->SetTime(0);
  DefaultMessageBoxPolicy().QueueAnswer(IDYES);
  ASSERT_TRUE(PressButton(r, 1011));
  ASSERT_EQ(BoxTexts(), std::vector<std::wstring>{kConfirm});
  EXPECT_EQ(MessageBoxLog()[0].type, 0x24u);
  EXPECT_EQ(ip->GetTime(), 0);
  // The closing script switched the Fernwick off: the Skin alone drives the mesh.
  EXPECT_FALSE(fernwick->IsEnabled());
  EXPECT_TRUE(skin->IsEnabled());
  const std::vector<std::vector<Point3>> after = Frames();
  // The search only takes moves that lower a vertex's error over the frames.
  EXPECT_LT(Distance(after, mush), 0.97 * Distance(before, mush));
  for (size_t v = 0; v < mush[0].size(); ++v) {
    double a = 0, b = 0;
    for (size_t f = 0; f < mush.size(); ++f) {
      a += (after[f][v] - mush[f][v]).Length();
      b += (before[f][v] - mush[f][v]).Length();
    }
    EXPECT_LE(a, b + 1e-4) << "vertex " << v;
  }

  // Weights: multiples of 0.5^11 in 0..1 summing to exactly 1.
  const float step = 1.0f / 2048.0f;
  for (int v = 0; v < Context()->GetNumPoints(); ++v) {
    float sum = 0;
    for (int j = 0; j < Context()->GetNumAssignedBones(v); ++j) {
      const float w = Context()->GetBoneWeight(v, j);
      EXPECT_EQ(std::floor(w / step) * step, w);
      sum += w;
    }
    EXPECT_EQ(sum, 1.0f) << v;
  }
  EXPECT_EQ(ip->GetSelNodeCount(), 1);

  // Undo gives the old weights back, twice.
  for (int k = 0; k < 2; ++k) {
    ClearMessageBoxLog();
    ASSERT_TRUE(PressButton(r, 1012));
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"Weights restored."});
    fernwick->DisableMod();
    EXPECT_EQ(Frames(), before);
  }
}

TEST_F(RigTest, SolveWritesWhatTheRulesGiveForTheSceneAsItStands) {
  const struct {
    const char* what;
    int fps, ticksPerFrame;
    RigOptions rig;
    bool skinBelow;
  } rows[] = {
      {"slider, start frame and frame 0 apart, objects off their pivots, a lift below the Fernwick", 30, 160,
       {.restFrame = 3, .offsets = true, .lift = true}, false},
      {"24 frames per second", 24, 200, {.restFrame = 2}, false},
      {"25 frames per second", 25, 192, {.restFrame = 2}, false},
      {"a second Skin below the first", 30, 160, {}, true},
      {"chained stacks", 30, 160, {.restFrame = 1, .lift = true, .chained = true}, false},
      // Past the spinners' end, as the program keys long clip sets.
      {"frames 12002 to 12010", 30, 160, {.restFrame = 12000}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ip->ResetScene();
    ip->SetFrameRate(row.fps);
    ASSERT_EQ(GetTicksPerFrame(), row.ticksPerFrame);
    BuildRig(row.rig);
    Modifier* below = nullptr;
    if (row.skinBelow) {
      below = static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
      InsertModifier(meshNode, below, 2);
      ASSERT_EQ(Stack(meshNode), (std::vector<Modifier*>{fernwick, skin, below}));
    }
    const ExpectedSolve expected = SolveByTheRules(row.ticksPerFrame);
    const TimeValue now = ip->GetTime();
    HWND r = OpenRollout();
    ClearMessageBoxLog();
    ClearScriptRunLog();
    DefaultMessageBoxPolicy().QueueAnswer(IDYES);
    ASSERT_TRUE(PressButton(r, 1011));
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{kConfirm});
    EXPECT_EQ(ip->GetTime(), now);
    ExpectSkinHolds(expected);
    ExpectOneScriptRun(kClosingScript);
    EXPECT_TRUE(skin->IsEnabled());
    if (lift) {
      EXPECT_TRUE(lift->IsEnabled());
    }
    if (below) {
      EXPECT_TRUE(below->IsEnabled());
      EXPECT_EQ(static_cast<ISkin*>(below->GetInterface(I_SKIN))->GetNumBones(), 0);
    }
  }
}

TEST_F(RigTest, ModifiersAboveTheSkinAreOnAgainAfterEveryOutcome) {
  const struct {
    const char* what;
    std::function<void()> prepare;
    int answer;
    bool written;
  } cases[] = {
      {"solved", [] {}, IDYES, true},
      {"heaviest bone not among the candidates",
       [&] {
         AssignAll([&](const Point3&) { return BoneWeights{{boneB, 1.0f}}; });
         fernwick->GetParamBlock(0)->SetValue(kBoneLimit, 0, 1);
       },
       IDYES, false},
      {"declined", [] {}, IDNO, false},
      {"no frames", [&] { fernwick->GetParamBlock(0)->SetValue(kStartFrame, 0, 11); }, IDYES, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ip->ResetScene();
    BuildRig({.lift = true});
    c.prepare();
    const auto before = Weights();
    HWND r = OpenRollout();
    DefaultMessageBoxPolicy().QueueAnswer(c.answer);
    ASSERT_TRUE(PressButton(r, 1011));
    EXPECT_TRUE(lift->IsEnabled());
    EXPECT_TRUE(skin->IsEnabled());
    // Only the closing script of a written solve switches the Fernwick off.
    EXPECT_EQ(fernwick->IsEnabled() != FALSE, !c.written);
    EXPECT_EQ(Weights() != before, c.written);
  }
}

TEST_F(RigTest, UndoBringsBackTheWeightsOfBeforeTheLastSolveWhileTheBonesFit) {
  BuildRig();
  HWND r = OpenRollout();
  DefaultMessageBoxPolicy().SetQuestionDefault(IDYES);
  ASSERT_TRUE(PressButton(r, 1011));
  const auto first = Weights();
  fernwick->EnableMod();
  fernwick->GetParamBlock(0)->SetValue(kSolverIterations, 0, 3);
  ASSERT_TRUE(PressButton(r, 1011));
  ASSERT_NE(Weights(), first);
  ClearMessageBoxLog();
  ASSERT_TRUE(PressButton(r, 1012));
  EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"Weights restored."});
  EXPECT_EQ(Weights(), first);

  // The Skin loses its second bone: saved index 1 no longer names a bone.
  ip->DeleteNode(boneB);
  ASSERT_EQ(Skin()->GetNumBones(), 1);
  const auto remaining = Weights();
  ClearMessageBoxLog();
  ASSERT_TRUE(PressButton(r, 1012));
  EXPECT_TRUE(MessageBoxLog().empty());
  EXPECT_EQ(Weights(), remaining);
}

TEST_F(RigTest, DecliningChangesNothing) {
  BuildRig();
  fernwick->DisableMod();
  const std::vector<std::vector<Point3>> before = Frames();
  fernwick->EnableMod();
  HWND r = OpenRollout();
  ip->SetTime(3 * GetTicksPerFrame());
  DefaultMessageBoxPolicy().QueueAnswer(IDNO);
  ASSERT_TRUE(PressButton(r, 1011));
  EXPECT_EQ(MessageBoxLog().size(), 1u);
  EXPECT_EQ(ip->GetTime(), 3 * GetTicksPerFrame());
  EXPECT_TRUE(fernwick->IsEnabled());
  fernwick->DisableMod();
  EXPECT_EQ(Frames(), before);
}

TEST_F(RigTest, HeaviestBoneOutsideTheLimitRefusesTheSolve) {
  BuildRig();
  // Vertex 0 sits on the upper bone; tie it to the lower one, then allow one candidate.
  auto* import = static_cast<ISkinImportData*>(skin->GetInterface(I_SKINIMPORTDATA));
  Tab<INode*> bones;
  bones.Append(boneB);
  Tab<float> w;
  w.Append(1.0f);
  import->AddWeights(meshNode, 0, bones, w);
  fernwick->GetParamBlock(0)->SetValue(kBoneLimit, 0, 1);
  fernwick->DisableMod();
  const std::vector<std::vector<Point3>> before = Frames();
  fernwick->EnableMod();
  HWND r = OpenRollout();
  DefaultMessageBoxPolicy().QueueAnswer(IDYES);
  ASSERT_TRUE(PressButton(r, 1011));
  ASSERT_EQ(MessageBoxLog().size(), 2u);
  EXPECT_EQ(MessageBoxLog()[1].text,
            L"Bone Lower with maximum vertex 0 weight is not among its 1 nearest bones. Check your initial skin "
            L"weights or increase the \"Bone affect limit\" value.");
  EXPECT_EQ(MessageBoxLog()[1].type, 0x30u);
  EXPECT_TRUE(fernwick->IsEnabled());  // switched back on
  fernwick->DisableMod();
  EXPECT_EQ(Frames(), before);  // nothing written
}

TEST_F(RigTest, RefusalsComeBeforeAnythingChanges) {
  BuildRig();
  HWND r = OpenRollout();
  // An empty frame range.
  fernwick->GetParamBlock(0)->SetValue(kStartFrame, 0, 5);
  fernwick->GetParamBlock(0)->SetValue(kEndFrame, 0, 4);
  DefaultMessageBoxPolicy().QueueAnswer(IDYES);
  ASSERT_TRUE(PressButton(r, 1011));
  ASSERT_EQ(MessageBoxLog().size(), 2u);
  EXPECT_EQ(MessageBoxLog()[1].text, L"The end frame lies before the start frame: there are no frames to sample.");
  EXPECT_TRUE(fernwick->IsEnabled());

  // Undo without a solve does nothing and says nothing.
  ClearMessageBoxLog();
  ASSERT_TRUE(PressButton(r, 1012));
  EXPECT_TRUE(MessageBoxLog().empty());
}

TEST_F(RigTest, MissingSkinAndBonelessSkin) {
  const Mesh cube = MakeCube();
  Modifier* mod;
  NodeWithFernwick(cube, mod);
  ip->OpenModifyPanel(mod);
  HWND r = FindOpenRollout(L"Parameters");
  ASSERT_TRUE(PressButton(r, 1011));
  EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"No Skin modifier found."});
  ip->CloseModifyPanel();

  ClearMessageBoxLog();
  TriObject* tri = CreateNewTriObject();
  tri->mesh = cube;
  INode* node = ip->CreateObjectNode(tri);
  InsertModifier(node, static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID)));
  Modifier* m2 = NewFernwick();
  InsertModifier(node, m2);
  m2->GetParamBlock(0)->SetValue(kIter, 0, 2);
  ip->OpenModifyPanel(m2);
  ASSERT_TRUE(PressButton(FindOpenRollout(L"Parameters"), 1011));
  EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"You have no bones in the Skin modifier."});
  EXPECT_EQ(MessageBoxLog()[0].type, 0x40u);
}

}  // namespace
