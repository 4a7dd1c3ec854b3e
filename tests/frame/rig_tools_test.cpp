#include "rig_fixture.h"
#include "sdk/custom_controls.h"
#include "sdk/derived_object.h"
#include "sdk/scene_file.h"
#include "sdk/window.h"
#include "tests/support/host_script_texts.h"

namespace {

float AngleBetweenXAxes(const Matrix3& a, const Matrix3& b) {
  const Point3 x0 = Normalize(a.GetRow(0)), x1 = Normalize(b.GetRow(0));
  return std::acos(std::clamp(x0 % x1, -1.0f, 1.0f)) * 57.29578f;
}

TEST_F(RigTest, BindGivesEachVertexItsNearestBoneAndTiesTheLowerIndex) {
  BuildRig();
  // Vertex 0 moved to exactly halfway between the two bone boxes' ends is a tie.
  HWND r = OpenRollout();
  DefaultMessageBoxPolicy().QueueAnswer(IDYES);
  ASSERT_TRUE(PressButton(r, 1009));
  EXPECT_EQ(MessageBoxLog()[0].type, 0x24u);
  for (int v = 0; v < restMesh.numVerts; ++v) {
    ASSERT_EQ(Context()->GetNumAssignedBones(v), 1);
    EXPECT_EQ(Context()->GetBoneWeight(v, 0), 1.0f);
    // Box A covers x in [0, 2], box B [2, 4]: at x = 2 both are at the same distance.
    const int expect = restMesh.verts[v].x <= 2.0f ? 0 : 1;
    EXPECT_EQ(Context()->GetAssignedBone(v, 0), expect) << "vertex " << v << " x " << restMesh.verts[v].x;
  }
  // Declining changes nothing further.
  ClearMessageBoxLog();
  DefaultMessageBoxPolicy().QueueAnswer(IDNO);
  ASSERT_TRUE(PressButton(r, 1009));
  EXPECT_EQ(MessageBoxLog().size(), 1u);
}

TEST_F(RigTest, ProxyRigIsBuiltAnimatedAndReplaced) {
  BuildRig();
  const std::vector<std::vector<Point3>> mush = Frames();
  fernwick->DisableMod();
  const std::vector<std::vector<Point3>> crude = Frames();
  fernwick->EnableMod();
  const auto crudeWeights = Weights();
  HWND r = OpenRollout();
  auto enabled = [&](int id) { return IsWindowEnabled(GetDlgItem(r, id)) != FALSE; };
  EXPECT_TRUE(enabled(1010));
  EXPECT_FALSE(enabled(1014));
  DefaultMessageBoxPolicy().QueueAnswer(IDYES);
  ASSERT_TRUE(PressButton(r, 1010));
  EXPECT_FALSE(enabled(1010));
  EXPECT_TRUE(enabled(1014));

  INode* pa = ip->GetINodeByName(L"FNWK_proxy_Upper");
  INode* pb = ip->GetINodeByName(L"FNWK_proxy_Lower");
  ASSERT_NE(pa, nullptr);
  ASSERT_NE(pb, nullptr);
  EXPECT_EQ(pa->GetWireColor(), 0xFFE655u);
  EXPECT_EQ(pb->GetParentNode(), pa);
  ExpectOneScriptRun(AnimationScript({pa->GetHandle(), pb->GetHandle()}));
  const std::vector<Modifier*> stack = Stack(meshNode);
  ASSERT_EQ(stack.size(), 3u);
  EXPECT_EQ(stack[1]->GetName(), L"proxySkin");
  EXPECT_EQ(stack[2], skin);
  EXPECT_FALSE(skin->IsEnabled());

  // Two proxies from slider frame 0: samples 1..8, rest at 0 and 9.
  EXPECT_EQ(fernwick->GetParamBlock(0)->GetInt(kStartFrame), 0);
  EXPECT_EQ(fernwick->GetParamBlock(0)->GetInt(kEndFrame), 9);
  EXPECT_EQ(ip->GetTime(), 0);
  const int tpf = GetTicksPerFrame();
  const Matrix3 restA = pa->GetNodeTM(0);
  const float expectA[] = {0, 30, 30, 30, 30, 0, 0, 0, 0, 0};
  for (int f = 0; f <= 9; ++f)
    EXPECT_NEAR(AngleBetweenXAxes(restA, pa->GetNodeTM(f * tpf)), expectA[f], 0.05f) << "frame " << f;
  // The second proxy is turned on its own at frames 5 to 8.
  const Matrix3 localRestB = pb->GetNodeTM(0) * Inverse(pa->GetNodeTM(0));
  for (int f = 0; f <= 9; ++f) {
    const Matrix3 local = pb->GetNodeTM(f * tpf) * Inverse(pa->GetNodeTM(f * tpf));
    const float angle = AngleBetweenXAxes(localRestB, local);
    EXPECT_NEAR(angle, (f >= 5 && f <= 8) ? 30.0f : 0.0f, 0.05f) << "frame " << f;
  }

  // Solve on the proxies, then give the weights back to the rig's bones.
  ClearMessageBoxLog();
  DefaultMessageBoxPolicy().QueueAnswer(IDYES);
  ASSERT_TRUE(PressButton(r, 1011));
  const SkinPairs solved = WeightsOf(stack[1]);

  fernwick->EnableMod();
  ip->OpenModifyPanel(fernwick);
  r = FindOpenRollout(L"Parameters");
  ClearMessageBoxLog();
  ASSERT_TRUE(PressButton(r, 1014));
  ASSERT_EQ(MessageBoxLog().size(), 1u);
  EXPECT_EQ(MessageBoxLog()[0].text, L"Weights successfully replaced.");
  EXPECT_EQ(ip->GetINodeByName(L"FNWK_proxy_Upper"), nullptr);
  EXPECT_EQ(ip->GetINodeByName(L"FNWK_proxy_Lower"), nullptr);
  EXPECT_EQ(Stack(meshNode).size(), 2u);
  EXPECT_TRUE(skin->IsEnabled());
  EXPECT_TRUE(enabled(1010));
  EXPECT_FALSE(enabled(1014));
  EXPECT_EQ(Weights(), solved);
  EXPECT_NE(Weights(), crudeWeights);
  // The rig's own bones, by linear skinning alone, now come closer to what
  // the Delta Mush made of their animation.
  fernwick->DisableMod();
  EXPECT_LT(Distance(Frames(), mush), 0.97 * Distance(crude, mush));
}

TEST_F(RigTest, ReplaceFindsThePairAcrossOtherModifiersOrRefuses) {
  BuildRig();
  HWND r = OpenRollout();
  DefaultMessageBoxPolicy().QueueAnswer(IDYES);
  ASSERT_TRUE(PressButton(r, 1010));
  std::vector<Modifier*> stack = Stack(meshNode);
  // A renamed proxy Skin is not found: the notice, nothing changes.
  stack[1]->SetName(L"renamed");
  ClearMessageBoxLog();
  ASSERT_TRUE(PressButton(r, 1014));
  ASSERT_EQ(MessageBoxLog().size(), 1u);
  EXPECT_EQ(MessageBoxLog()[0].text, L"Something changed on the modifier stack...");
  EXPECT_EQ(MessageBoxLog()[0].type, 0x30u);
  EXPECT_NE(ip->GetINodeByName(L"FNWK_proxy_Upper"), nullptr);
  stack[1]->SetName(L"proxySkin");
  // Another modifier between the two Skins: still paired, and the proxy Skin is what goes.
  Modifier* between = NewFernwick();
  InsertModifier(meshNode, between, 2);
  ASSERT_TRUE(PressButton(r, 1014));
  stack = Stack(meshNode);
  ASSERT_EQ(stack.size(), 3u);
  EXPECT_EQ(stack[1], between);
  EXPECT_EQ(stack[2], skin);
}

TEST_F(RigTest, CreateCopiesTheRigWeightsAndStandsEachProxyAtItsBinding) {
  // Bound at frame 3 with bones whose objects sit off their pivots; the
  // command runs at frame 5, where the rig is bent.
  BuildRig({.restFrame = 3, .offsets = true});
  const int tpf = GetTicksPerFrame();
  AssignAll([&](const Point3& p) {
    return p.x < 2.0f ? BoneWeights{{boneA, 0.7f}, {boneB, 0.3f}}
                      : BoneWeights{{boneB, 0.6f}, {boneA, 0.4f}};
  });
  const auto rigWeights = Weights();
  const Matrix3 bindings[] = {boneA->GetObjectTM(3 * tpf), boneB->GetObjectTM(3 * tpf)};
  ip->SetTime(5 * tpf);
  HWND r = OpenRollout();
  DefaultMessageBoxPolicy().QueueAnswer(IDYES);
  ASSERT_TRUE(PressButton(r, 1010));

  const std::vector<Modifier*> stack = Stack(meshNode);
  ASSERT_EQ(stack.size(), 3u);
  ASSERT_EQ(stack[1]->GetName(), L"proxySkin");
  EXPECT_EQ(WeightsOf(stack[1]), rigWeights);
  ISkin* proxySkin = static_cast<ISkin*>(stack[1]->GetInterface(I_SKIN));
  ASSERT_EQ(proxySkin->GetNumBones(), 2);
  INode* const bones[] = {boneA, boneB};
  for (int k = 0; k < 2; ++k) {
    INode* proxy = proxySkin->GetBone(k);
    EXPECT_EQ(proxy->GetName(), std::wstring(L"FNWK_proxy_") + bones[k]->GetName());
    // Keyed by the script from frame 5 on; before that it holds its binding.
    const Matrix3 tm = proxy->GetNodeTM(0);
    for (int row = 0; row < 4; ++row)
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(tm[row][c], bindings[k][row][c], 1e-4f) << "proxy " << k;
  }
  EXPECT_EQ(fernwick->GetParamBlock(0)->GetInt(kStartFrame), 5);
  EXPECT_EQ(fernwick->GetParamBlock(0)->GetInt(kEndFrame), 14);
}

TEST_F(RigTest, ProxyPairIsFoundAndRemovedAcrossChainedStacks) {
  // Fernwick in the node's derived object; the lift and the Skin in the one below.
  BuildRig({.lift = true, .chained = true});
  const auto rigWeights = Weights();
  HWND r = OpenRollout();
  DefaultMessageBoxPolicy().QueueAnswer(IDYES);
  ASSERT_TRUE(PressButton(r, 1010));
  const std::vector<Modifier*> stack = Stack(meshNode);
  ASSERT_EQ(stack.size(), 4u);
  EXPECT_EQ(stack[0], fernwick);
  EXPECT_EQ(stack[1], lift);
  ASSERT_EQ(stack[2]->ClassID(), SKIN_CLASSID);
  ASSERT_EQ(stack[2]->GetName(), L"proxySkin");
  EXPECT_EQ(stack[3], skin);
  auto* upper = static_cast<IDerivedObject*>(meshNode->GetObjectRef());
  EXPECT_EQ(upper->NumModifiers(), 1);

  // Weights written into the proxy Skin come back onto the rig's bones.
  auto* proxyImport = static_cast<ISkinImportData*>(stack[2]->GetInterface(I_SKINIMPORTDATA));
  ISkin* proxySkin = static_cast<ISkin*>(stack[2]->GetInterface(I_SKIN));
  Tab<INode*> bones;
  bones.Append(proxySkin->GetBone(1));
  bones.Append(proxySkin->GetBone(0));
  Tab<float> w;
  w.Append(0.6f);
  w.Append(0.4f);
  proxyImport->AddWeights(meshNode, 0, bones, w);
  ClearMessageBoxLog();
  ASSERT_TRUE(PressButton(r, 1014));
  EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{L"Weights successfully replaced."});
  EXPECT_EQ(Stack(meshNode), (std::vector<Modifier*>{fernwick, lift, skin}));
  EXPECT_TRUE(skin->IsEnabled());
  auto expected = rigWeights;
  expected[0] = {{1, 0.6f}, {0, 0.4f}};
  EXPECT_EQ(Weights(), expected);
}

TEST_F(RigTest, SceneSavedBetweenCreateAndReplaceReopensWithReplaceEnabled) {
  BuildRig();
  HWND r = OpenRollout();
  DefaultMessageBoxPolicy().QueueAnswer(IDYES);
  ASSERT_TRUE(PressButton(r, 1010));
  std::string bytes, error;
  ASSERT_TRUE(SaveSceneToBytes(bytes, error)) << error;
  ip->ResetScene();
  ASSERT_TRUE(LoadSceneFromBytes(bytes, error)) << error;

  INode* node = ip->GetINodeByName(L"Strip");
  ASSERT_NE(node, nullptr);
  Modifier* loaded = Stack(node)[0];
  ASSERT_EQ(loaded->ClassID(), kFernwickId);
  ip->OpenModifyPanel(loaded);
  r = FindOpenRollout(L"Parameters");
  ASSERT_NE(r, nullptr);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(r, 1010)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(r, 1014)));
}

TEST_F(RigTest, TenProxiesSetTheFrameRange) {
  for (int rangeEnd : {30, 100}) {
    ip->ResetScene();
    ip->SetAnimRange(Interval(0, rangeEnd * GetTicksPerFrame()));
    TriObject* tri = CreateNewTriObject();
    tri->mesh = MakeCube();
    INode* node = ip->CreateObjectNode(tri, L"Box");
    Modifier* sk = static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    InsertModifier(node, sk);
    auto* import = static_cast<ISkinImportData*>(sk->GetInterface(I_SKINIMPORTDATA));
    // Bones 0 to 8 make a chain; bone 9 hangs from a node that is not in the Skin.
    INode* outside = ip->CreateObjectNode(new PointHelperObject, L"RigRoot");
    INode* parent = nullptr;
    for (int i = 0; i < 10; ++i) {
      INode* bone = ip->CreateObjectNode(new PointHelperObject, (L"Bone" + std::to_wstring(i)).c_str());
      bone->SetNodeTM(0, TransMatrix(Point3(0.1f * i, 0, 0)));
      if (i == 9) parent = outside;
      if (parent) parent->AttachChild(bone, TRUE);
      parent = bone;
      import->AddBoneEx(bone, FALSE);
    }
    Modifier* mod = NewFernwick();
    InsertModifier(node, mod);
    mod->GetParamBlock(0)->SetValue(kIter, 0, 1);
    ip->SelectNode(node, 1);
    ip->OpenModifyPanel(mod);
    DefaultMessageBoxPolicy().QueueAnswer(IDYES);
    ASSERT_TRUE(PressButton(FindOpenRollout(L"Parameters"), 1010));
    EXPECT_EQ(mod->GetParamBlock(0)->GetInt(kStartFrame), 0);
    EXPECT_EQ(mod->GetParamBlock(0)->GetInt(kEndFrame), 41);
    EXPECT_EQ(ip->GetAnimRange().End(), std::max(rangeEnd, 41) * GetTicksPerFrame());
    // Points stay points of size 10; the chain stays a chain, and a bone whose
    // parent is not in the Skin stays at the top level like the chain's root.
    INode* p5 = ip->GetINodeByName(L"FNWK_proxy_Bone5");
    ASSERT_NE(p5, nullptr);
    EXPECT_EQ(p5->GetObjectRef()->ClassID(), POINTHELP_CLASS_ID);
    ASSERT_NE(p5->GetObjectRef()->GetParamBlock(0), nullptr);
    EXPECT_EQ(p5->GetObjectRef()->GetParamBlock(0)->GetFloat(0), 10.0f);
    EXPECT_EQ(p5->GetParentNode(), ip->GetINodeByName(L"FNWK_proxy_Bone4"));
    for (const wchar_t* top : {L"FNWK_proxy_Bone0", L"FNWK_proxy_Bone9"}) {
      INode* p = ip->GetINodeByName(top);
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(p->GetParentNode(), ip->GetRootNode()) << "rangeEnd " << rangeEnd;
    }
  }
}

TEST_F(RigTest, DuplicatePutsAnIndependentCopyOnTopOrRefusesTwoNodes) {
  BuildRig();
  fernwick->GetParamBlock(0)->SetValue(kDisplace, 0, 0.25f);
  HWND r = OpenRollout();
  ASSERT_TRUE(PressButton(r, 1008));
  ExpectOneScriptRun(kDuplicationScript);
  std::vector<Modifier*> stack = Stack(meshNode);
  ASSERT_EQ(stack.size(), 3u);
  EXPECT_NE(stack[0], fernwick);
  EXPECT_EQ(stack[0]->ClassID(), kFernwickId);
  EXPECT_EQ(stack[0]->GetParamBlock(0)->GetFloat(kDisplace), 0.25f);
  stack[0]->GetParamBlock(0)->SetValue(kDisplace, 0, 0.5f);
  EXPECT_EQ(fernwick->GetParamBlock(0)->GetFloat(kDisplace), 0.25f);

  ClearMessageBoxLog();
  ClearScriptRunLog();
  ip->OpenModifyPanel(fernwick);
  r = FindOpenRollout(L"Parameters");
  ip->SelectNode(boneA, 0);  // add to the selection
  ASSERT_TRUE(PressButton(r, 1008));
  ExpectOneScriptRun(kDuplicationScript);
  ASSERT_EQ(MessageBoxLog().size(), 1u);
  EXPECT_EQ(MessageBoxLog()[0].text,
            L"Fernwick modifier does not support modifier instancing.\nThis operation can not be performed.");
  EXPECT_EQ(MessageBoxLog()[0].caption, L"Fernwick");
  EXPECT_EQ(Stack(meshNode).size(), 3u);
}

}  // namespace
