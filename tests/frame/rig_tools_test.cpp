#include "rig_fixture.h"
#include "sdk/custom_controls.h"
#include "sdk/derived_object.h"
#include "sdk/window.h"

namespace {

float AngleBetweenXAxes(const Matrix3& a, const Matrix3& b) {
  const Point3 x0 = Normalize(a.GetRow(0)), x1 = Normalize(b.GetRow(0));
  return std::acos(std::clamp(x0 % x1, -1.0f, 1.0f)) * 57.29578f;
}

std::vector<Modifier*> Stack(INode* node) {
  std::vector<Modifier*> out;
  Object* obj = node->GetObjectRef();
  while (obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
    auto* d = static_cast<IDerivedObject*>(obj);
    for (int i = 0; i < d->NumModifiers(); ++i) out.push_back(d->GetModifier(i));
    obj = d->GetObjRef();
  }
  return out;
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
  auto* proxyContext = static_cast<ISkin*>(stack[1]->GetInterface(I_SKIN))->GetContextInterface(meshNode);
  std::vector<std::vector<std::pair<int, float>>> solved(restMesh.numVerts);
  for (int v = 0; v < restMesh.numVerts; ++v)
    for (int j = 0; j < proxyContext->GetNumAssignedBones(v); ++j)
      solved[v].push_back({proxyContext->GetAssignedBone(v, j), proxyContext->GetBoneWeight(v, j)});

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
  for (int v = 0; v < restMesh.numVerts; ++v) {
    ASSERT_EQ(Context()->GetNumAssignedBones(v), static_cast<int>(solved[v].size()));
    for (size_t j = 0; j < solved[v].size(); ++j) {
      EXPECT_EQ(Context()->GetAssignedBone(v, j), solved[v][j].first);
      EXPECT_EQ(Context()->GetBoneWeight(v, j), solved[v][j].second);
    }
  }
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
    INode* parent = nullptr;
    for (int i = 0; i < 10; ++i) {
      INode* bone = ip->CreateObjectNode(new PointHelperObject, (L"Bone" + std::to_wstring(i)).c_str());
      bone->SetNodeTM(0, TransMatrix(Point3(0.1f * i, 0, 0)));
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
    // Points stay points, and the chain stays a chain.
    INode* p5 = ip->GetINodeByName(L"FNWK_proxy_Bone5");
    ASSERT_NE(p5, nullptr);
    EXPECT_EQ(p5->GetObjectRef()->ClassID(), POINTHELP_CLASS_ID);
    EXPECT_EQ(p5->GetParentNode(), ip->GetINodeByName(L"FNWK_proxy_Bone4"));
  }
}

TEST_F(RigTest, DuplicatePutsAnIndependentCopyOnTopOrRefusesTwoNodes) {
  BuildRig();
  fernwick->GetParamBlock(0)->SetValue(kDisplace, 0, 0.25f);
  HWND r = OpenRollout();
  ASSERT_TRUE(PressButton(r, 1008));
  std::vector<Modifier*> stack = Stack(meshNode);
  ASSERT_EQ(stack.size(), 3u);
  EXPECT_NE(stack[0], fernwick);
  EXPECT_EQ(stack[0]->ClassID(), kFernwickId);
  EXPECT_EQ(stack[0]->GetParamBlock(0)->GetFloat(kDisplace), 0.25f);
  stack[0]->GetParamBlock(0)->SetValue(kDisplace, 0, 0.5f);
  EXPECT_EQ(fernwick->GetParamBlock(0)->GetFloat(kDisplace), 0.25f);

  ClearMessageBoxLog();
  ip->OpenModifyPanel(fernwick);
  r = FindOpenRollout(L"Parameters");
  ip->SelectNode(boneA, 0);  // add to the selection
  ASSERT_TRUE(PressButton(r, 1008));
  ASSERT_EQ(MessageBoxLog().size(), 1u);
  EXPECT_EQ(MessageBoxLog()[0].text,
            L"Fernwick modifier does not support modifier instancing.\nThis operation can not be performed.");
  EXPECT_EQ(MessageBoxLog()[0].caption, L"Fernwick");
  EXPECT_EQ(Stack(meshNode).size(), 3u);
}

}  // namespace
