#include <cmath>
#include <thread>
#include <vector>

#include "chunk_io.h"
#include "plugin_manager.h"
#include "poly_object.h"
#include "sdk_test_support.h"
#include "skin_modifier.h"

namespace {

constexpr TimeValue kT1 = 4800;  // the second key: bone B turned 90 degrees

// p * M with x -> y, y -> -x: +90 degrees about z, then a move.
Matrix3 TurnZ90(Point3 move) { return Matrix3({0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, move); }

Tab<INode*> Bones(std::initializer_list<INode*> l) {
  Tab<INode*> t;
  for (INode* n : l) t.Append(n);
  return t;
}
Tab<float> Weights(std::initializer_list<float> l) {
  Tab<float> t;
  for (float w : l) t.Append(w);
  return t;
}

// A strip of four vertices skinned by bone A (the origin, fixed) and bone B
// (bound at (1,0,0), keyed to turn 90 degrees about z at kT1):
//   v0 (0,0,0) A 1 | v1 (2,0,0) A/B half each | v2 (2,1,0) B 1 | v3 (0,1,0) none.
class SkinTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    TriObject* tri = CreateNewTriObject();
    tri->mesh.setNumVerts(4);
    tri->mesh.verts = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}};
    stack = CreateDerivedObject(tri);
    skin = static_cast<SkinMod*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    ASSERT_NE(skin, nullptr);
    stack->AddModifier(skin);
    node = ip->CreateObjectNode(stack, L"strip");
    a = ip->CreateObjectNode(nullptr, L"A");
    b = ip->CreateObjectNode(nullptr, L"B");
    b->SetNodeTM(0, TransMatrix({1, 0, 0}));
    iskin = static_cast<ISkin*>(skin->GetInterface(I_SKIN));
    import = static_cast<ISkinImportData*>(skin->GetInterface(I_SKINIMPORTDATA));
  }

  // Binds A and B with the strip's weights (v1 as 0.25/0.25: the Skin
  // normalises) and keys B's turn.
  void Rig() {
    ASSERT_TRUE(import->AddBoneEx(a, FALSE));
    ASSERT_TRUE(import->AddBoneEx(b, FALSE));
    auto ab = Bones({a, b});
    auto w0 = Weights({1});
    auto w1 = Weights({0.25f, 0.25f});
    auto onlyA = Bones({a}), onlyB = Bones({b});
    ASSERT_TRUE(import->AddWeights(node, 0, onlyA, w0));
    ASSERT_TRUE(import->AddWeights(node, 1, ab, w1));
    ASSERT_TRUE(import->AddWeights(node, 2, onlyB, w0));
    ip->SetAnimateMode(TRUE);
    b->SetNodeTM(kT1, TurnZ90({1, 0, 0}));
    ip->SetAnimateMode(FALSE);
  }

  Point3 Vert(TimeValue t, int i) {
    const ObjectState& os = node->EvalWorldState(t);
    if (!os.obj || !os.obj->IsSubClassOf(triObjectClassID)) return Point3(-999, -999, -999);
    return static_cast<TriObject*>(os.obj)->GetMesh().verts[i];
  }

  IDerivedObject* stack = nullptr;
  SkinMod* skin = nullptr;
  INode* node = nullptr;
  INode* a = nullptr;
  INode* b = nullptr;
  ISkin* iskin = nullptr;
  ISkinImportData* import = nullptr;
};

TEST(SkinClass, CreateInstanceAndSceneLoadingFindTheRegisteredClass) {
  auto* mod = static_cast<Modifier*>(GetCOREInterface()->CreateInstance(OSM_CLASS_ID, Class_ID(0x95C723, 0x15666)));
  ASSERT_NE(mod, nullptr);
  EXPECT_EQ(mod->SuperClassID(), OSM_CLASS_ID);
  EXPECT_EQ(mod->ClassID(), SKIN_CLASSID);
  MSTR cls;
  mod->GetClassName(cls);
  EXPECT_EQ(cls, L"Skin");
  EXPECT_EQ(mod->GetName(), L"Skin");
  ASSERT_NE(FindClassDesc(SKIN_CLASSID), nullptr);
  EXPECT_EQ(FindClassDesc(SKIN_CLASSID)->SuperClassID(), OSM_CLASS_ID);
  // The interface pointers must be usable as their own types.
  auto* iskin = static_cast<ISkin*>(mod->GetInterface(0x10000));
  auto* import = static_cast<ISkinImportData*>(mod->GetInterface(0x20000));
  ASSERT_NE(iskin, nullptr);
  ASSERT_NE(import, nullptr);
  EXPECT_EQ(iskin->GetNumBones(), 0);
  EXPECT_EQ(import->AddBoneEx(nullptr, FALSE), FALSE);
  EXPECT_EQ(mod->GetInterface(0x30000), nullptr);
  mod->DeleteThis();
}

TEST_F(SkinTest, BlendsBoneTransformsByHandWorkedValuesAtKeyedTimes) {
  Rig();
  // Rest: B has not turned yet.
  EXPECT_P3_NEAR(Vert(0, 1), Point3(2, 0, 0), 1e-6f);
  EXPECT_P3_NEAR(Vert(0, 2), Point3(2, 1, 0), 1e-6f);

  // kT1: B's local (1,0,0) of v1 turns to (0,1,0), at (1,1,0); A keeps
  // (2,0,0); half and half -> (1.5, 0.5). v2's local (1,1,0) -> (-1,1,0)
  // -> (0,1,0). v0 follows A, v3 has no weights.
  EXPECT_P3_NEAR(Vert(kT1, 0), Point3(0, 0, 0), 1e-6f);
  EXPECT_P3_NEAR(Vert(kT1, 1), Point3(1.5f, 0.5f, 0), 1e-5f);
  EXPECT_P3_NEAR(Vert(kT1, 2), Point3(0, 1, 0), 1e-5f);
  EXPECT_P3_NEAR(Vert(kT1, 3), Point3(0, 1, 0), 1e-6f);

  // Halfway: B at 45 degrees. v1: B gives (1 + h, h), h = sqrt(1/2);
  // v2: (1,1) turns to (0, sqrt 2).
  const float h = std::sqrt(0.5f);
  EXPECT_P3_NEAR(Vert(kT1 / 2, 1), Point3((2 + 1 + h) / 2, h / 2, 0), 1e-5f);
  EXPECT_P3_NEAR(Vert(kT1 / 2, 2), Point3(1, std::sqrt(2.0f), 0), 1e-5f);

  // Stored weights stay as given; only the deformation normalises.
  ISkinContextData* ctx = iskin->GetContextInterface(node);
  ASSERT_NE(ctx, nullptr);
  EXPECT_FLOAT_EQ(ctx->GetBoneWeight(1, 0), 0.25f);
  EXPECT_EQ(ctx->GetNumPoints(), 4);
}

TEST_F(SkinTest, WorksInTheSkinnedObjectsSpaceWhenTheNodeIsTurnedOrMoves) {
  // Bound with the strip node turned 90 degrees about z; A then moves up 3.
  node->SetNodeTM(0, TurnZ90({0, 0, 0}));
  ASSERT_TRUE(import->AddBoneEx(a, FALSE));
  auto onlyA = Bones({a});
  auto one = Weights({1});
  ASSERT_TRUE(import->AddWeights(node, 1, onlyA, one));
  ip->SetAnimateMode(TRUE);
  a->SetNodeTM(kT1, TransMatrix({0, 3, 0}));
  ip->SetAnimateMode(FALSE);
  // v1 (2,0,0) sits at world (0,2,0), goes to (0,5,0), which is (5,0,0) in
  // the turned node's space.
  EXPECT_P3_NEAR(Vert(kT1, 1), Point3(5, 0, 0), 1e-5f);
  Matrix3 init;
  EXPECT_EQ(iskin->GetSkinInitTM(node, init), SKIN_OK);
  EXPECT_P3_NEAR(init.GetRow(0), Point3(0, 1, 0), 1e-6f);

  // Moving the skinned node (still turned, now at (0,0,10)) but not the
  // bone keeps the vertex at world (0,5,0): object position (5,0,-10).
  node->SetNodeTM(0, TurnZ90({0, 0, 10}));
  EXPECT_P3_NEAR(Vert(kT1, 1), Point3(5, 0, -10), 1e-5f);
}

TEST_F(SkinTest, DeformsPolygonMeshesLikeTriangleMeshes) {
  Rig();
  auto* poly = new PolyObject;
  poly->mm.setNumVerts(4);
  poly->mm.P(1) = Point3(2, 0, 0);
  stack->ReferenceObject(poly);
  const ObjectState& os = node->EvalWorldState(kT1);
  ASSERT_TRUE(os.obj->IsSubClassOf(polyObjectClassID));
  EXPECT_P3_NEAR(static_cast<PolyObject*>(os.obj)->mm.P(1), Point3(1.5f, 0.5f, 0), 1e-5f);
}

TEST_F(SkinTest, AddBoneExAppendsInCallOrderAndBindsAtTheCurrentTime) {
  INode* c = ip->CreateObjectNode(nullptr, L"C");
  ip->SetAnimateMode(TRUE);
  c->SetNodeTM(960, TransMatrix({0, 5, 0}));  // keyed: (0,0,0) at 0, (0,5,0) at 960
  ip->SetAnimateMode(FALSE);
  ip->SetTime(960);
  EXPECT_TRUE(import->AddBoneEx(b, FALSE));
  EXPECT_TRUE(import->AddBoneEx(c, FALSE));
  EXPECT_TRUE(import->AddBoneEx(a, FALSE));
  EXPECT_FALSE(import->AddBoneEx(c, TRUE)) << "already a bone";
  EXPECT_FALSE(import->AddBoneEx(node, FALSE)) << "the skinned node cannot drive itself";
  ASSERT_EQ(iskin->GetNumBones(), 3);
  EXPECT_EQ(iskin->GetBone(0), b);
  EXPECT_EQ(iskin->GetBone(1), c);
  EXPECT_EQ(iskin->GetBone(2), a);
  EXPECT_EQ(iskin->GetBone(3), nullptr);
  EXPECT_EQ(iskin->GetBone(-1), nullptr);

  Matrix3 tm;
  EXPECT_EQ(iskin->GetBoneInitTM(c, tm, true), SKIN_OK);
  EXPECT_P3_NEAR(tm.GetTrans(), Point3(0, 5, 0), 1e-6f);
  EXPECT_EQ(iskin->GetBoneInitTM(b, tm), SKIN_OK);
  EXPECT_P3_NEAR(tm.GetTrans(), Point3(1, 0, 0), 1e-6f);
  EXPECT_TRUE(import->SetBoneInitTM(c, TransMatrix({7, 0, 0})));
  EXPECT_EQ(iskin->GetBoneInitTM(c, tm), SKIN_OK);
  EXPECT_P3_NEAR(tm.GetTrans(), Point3(7, 0, 0), 1e-6f);
  EXPECT_EQ(iskin->GetBoneInitTM(node, tm), SKIN_INVALID_NODE_PTR);
  EXPECT_FALSE(import->SetBoneInitTM(node, Matrix3()));
}

TEST_F(SkinTest, BindingsOfABoneWithAnObjectOffsetComeAsObjectOrNodeTransform) {
  Matrix3 offset = RotAngleAxisMatrix(Point3(1, 0, 0), 0.25f);
  offset.SetTrans(Point3(0, 0, 2));
  b->SetObjectOffsetTM(offset);
  ASSERT_TRUE(import->AddBoneEx(b, FALSE));
  Matrix3 tm;
  ASSERT_EQ(iskin->GetBoneInitTM(b, tm, true), SKIN_OK);
  EXPECT_EQ(tm, offset * b->GetNodeTM(0));
  ASSERT_EQ(iskin->GetBoneInitTM(b, tm, false), SKIN_OK);
  for (int row = 0; row < 4; ++row) EXPECT_P3_NEAR(tm.GetRow(row), TransMatrix({1, 0, 0}).GetRow(row), 1e-6f);
}

TEST_F(SkinTest, AddWeightsMakesTheVertexPairsExactlyTheGivenOnes) {
  INode* stranger = ip->CreateObjectNode(nullptr, L"not a bone");
  ASSERT_TRUE(import->AddBoneEx(a, FALSE));
  ASSERT_TRUE(import->AddBoneEx(b, FALSE));
  auto ab = Bones({a, b});
  auto w = Weights({0.3f, 0.7f});
  ASSERT_TRUE(import->AddWeights(node, 0, ab, w));

  // Replacing: B first, a node outside the list left out, A gets nothing.
  auto bs = Bones({b, stranger});
  auto w2 = Weights({1.5f, 0.5f});
  ASSERT_TRUE(import->AddWeights(node, 0, bs, w2));
  ISkinContextData* ctx = iskin->GetContextInterface(node);
  ASSERT_NE(ctx, nullptr);
  ASSERT_EQ(ctx->GetNumAssignedBones(0), 1);
  EXPECT_EQ(ctx->GetAssignedBone(0, 0), 1);
  EXPECT_FLOAT_EQ(ctx->GetBoneWeight(0, 0), 1.5f);
  EXPECT_EQ(ctx->GetAssignedBone(0, 1), -1);
  EXPECT_EQ(ctx->GetBoneWeight(0, 1), 0.0f);

  // Order as given.
  auto ba = Bones({b, a});
  ASSERT_TRUE(import->AddWeights(node, 2, ba, w));
  EXPECT_EQ(ctx->GetAssignedBone(2, 0), 1);
  EXPECT_EQ(ctx->GetAssignedBone(2, 1), 0);
  EXPECT_FLOAT_EQ(ctx->GetBoneWeight(2, 1), 0.7f);

  auto one = Weights({1});
  EXPECT_FALSE(import->AddWeights(node, 1, ab, one)) << "lists of different lengths";
  EXPECT_FALSE(import->AddWeights(stranger, 1, ab, w)) << "the Skin is not on that node";
  EXPECT_FALSE(import->AddWeights(node, -1, ab, w));
  EXPECT_EQ(iskin->GetContextInterface(stranger), nullptr);
  EXPECT_EQ(iskin->GetContextInterface(nullptr), nullptr);
  Matrix3 tm;
  EXPECT_EQ(iskin->GetSkinInitTM(stranger, tm), SKIN_INVALID_NODE_PTR);
  EXPECT_EQ(ctx->GetNumAssignedBones(99), 0);
  EXPECT_EQ(ctx->GetAssignedBone(99, 0), -1);
}

TEST_F(SkinTest, WeightTableFollowsTheMeshAsItFirstArrives) {
  ASSERT_TRUE(import->AddBoneEx(a, FALSE));
  auto onlyA = Bones({a});
  auto one = Weights({1});
  // Before any evaluation writes grow the table (the Skin has not met the mesh).
  ASSERT_TRUE(import->AddWeights(node, 6, onlyA, one));
  EXPECT_EQ(iskin->GetContextInterface(node)->GetNumPoints(), 7);
  node->EvalWorldState(0);
  EXPECT_EQ(iskin->GetContextInterface(node)->GetNumPoints(), 4);
  EXPECT_FALSE(import->AddWeights(node, 4, onlyA, one)) << "beyond the mesh";

  // An importer's smaller table: vertices beyond it pass unchanged.
  ASSERT_TRUE(import->SetNumPoints(node, 2));
  ASSERT_TRUE(import->AddWeights(node, 1, onlyA, one));
  ip->SetAnimateMode(TRUE);
  a->SetNodeTM(kT1, TransMatrix({0, 0, 1}));
  ip->SetAnimateMode(FALSE);
  EXPECT_P3_NEAR(Vert(kT1, 1), Point3(2, 0, 1), 1e-6f);
  EXPECT_P3_NEAR(Vert(kT1, 2), Point3(2, 1, 0), 1e-6f);
  EXPECT_EQ(iskin->GetContextInterface(node)->GetNumPoints(), 2);
}

TEST_F(SkinTest, DeletedBoneLeavesTheListAndTakesItsWeights) {
  INode* c = ip->CreateObjectNode(nullptr, L"C");
  Rig();
  ASSERT_TRUE(import->AddBoneEx(c, FALSE));
  auto ac = Bones({a, c});
  auto half = Weights({0.5f, 0.5f});
  ASSERT_TRUE(import->AddWeights(node, 3, ac, half));

  ip->DeleteNode(b);
  ASSERT_EQ(iskin->GetNumBones(), 2);
  EXPECT_EQ(iskin->GetBone(0), a);
  EXPECT_EQ(iskin->GetBone(1), c) << "later bones move up one index";
  EXPECT_EQ(skin->NumRefs(), 2);
  ISkinContextData* ctx = iskin->GetContextInterface(node);
  ASSERT_EQ(ctx->GetNumAssignedBones(1), 1) << "v1 keeps only its A pair";
  EXPECT_EQ(ctx->GetAssignedBone(1, 0), 0);
  EXPECT_EQ(ctx->GetNumAssignedBones(2), 0);
  ASSERT_EQ(ctx->GetNumAssignedBones(3), 2);
  EXPECT_EQ(ctx->GetAssignedBone(3, 1), 1) << "C's index followed it";
  Matrix3 tm;
  EXPECT_EQ(iskin->GetBoneInitTM(c, tm), SKIN_OK);
  // v1 now follows A alone; v2 has lost its only bone and stays.
  EXPECT_P3_NEAR(Vert(kT1, 1), Point3(2, 0, 0), 1e-6f);
  EXPECT_P3_NEAR(Vert(kT1, 2), Point3(2, 1, 0), 1e-6f);
}

TEST_F(SkinTest, DisabledSkinPassesTheMeshThrough) {
  Rig();
  skin->DisableMod();
  EXPECT_P3_NEAR(Vert(kT1, 2), Point3(2, 1, 0), 1e-6f);
  skin->EnableMod();
  EXPECT_P3_NEAR(Vert(kT1, 2), Point3(0, 1, 0), 1e-5f);
}

TEST_F(SkinTest, SaveLoadRoundTripKeepsWeightsBindingsAndBoneSlots) {
  Rig();
  node->SetNodeTM(0, TransMatrix({0, 0, 4}));
  import->SetSkinInitTM(TransMatrix({0, 0, 2}));
  import->SetBoneInitTM(a, TransMatrix({9, 8, 7}));
  const Point3 posed = Vert(kT1, 1);
  skin->SetName(L"proxySkin");
  skin->DisableMod();
  MemorySave out;
  ASSERT_EQ(skin->Save(&out), IO_OK);
  EXPECT_EQ(out.OpenChunks(), 0);

  auto* loaded = static_cast<SkinMod*>(FindClassDesc(OSM_CLASS_ID, SKIN_CLASSID)->Create(TRUE));
  MemoryLoad in(out.Data());
  ASSERT_EQ(loaded->Load(&in), IO_OK);
  EXPECT_EQ(loaded->GetName(), L"proxySkin");
  EXPECT_FALSE(loaded->IsEnabled());
  ASSERT_EQ(loaded->NumRefs(), 2) << "slots for the scene loader";
  EXPECT_EQ(loaded->GetBone(0), nullptr);
  ASSERT_EQ(loaded->ReplaceReference(0, a), REF_SUCCEED);
  ASSERT_EQ(loaded->ReplaceReference(1, b), REF_SUCCEED);
  EXPECT_EQ(loaded->GetBone(1), b);

  Matrix3 tm;
  ASSERT_EQ(loaded->GetBoneInitTM(a, tm), SKIN_OK);
  EXPECT_EQ(tm, TransMatrix({9, 8, 7}));
  ASSERT_EQ(loaded->GetBoneInitTM(b, tm), SKIN_OK);
  EXPECT_EQ(tm, TransMatrix({1, 0, 0}));
  const SkinWeightTable& w = loaded->Weights();
  ASSERT_EQ(w.NumPoints(), skin->Weights().NumPoints());
  for (int v = 0; v < w.NumPoints(); ++v) {
    ASSERT_EQ(w.Pairs(v).size(), skin->Weights().Pairs(v).size()) << v;
    for (size_t k = 0; k < w.Pairs(v).size(); ++k) {
      EXPECT_EQ(w.Pairs(v)[k].bone, skin->Weights().Pairs(v)[k].bone);
      EXPECT_EQ(w.Pairs(v)[k].weight, skin->Weights().Pairs(v)[k].weight);
    }
  }
  // In the original's place on the stack it deforms as the original did.
  stack->AddModifier(loaded);
  skin->DeleteMe();
  loaded->EnableMod();
  ASSERT_EQ(loaded->GetSkinInitTM(node, tm), SKIN_OK);
  EXPECT_EQ(tm, TransMatrix({0, 0, 2}));
  EXPECT_P3_NEAR(Vert(kT1, 1), posed, 1e-6f);

  // Cut short anywhere, the data is refused.
  std::vector<BYTE> cut(out.Data().begin(), out.Data().end() - 3);
  auto* broken = new SkinMod;
  MemoryLoad bad(cut);
  EXPECT_EQ(broken->Load(&bad), IO_ERROR);
  broken->DeleteThis();
}

TEST_F(SkinTest, CloneSharesTheBonesAndCopiesTheWeights) {
  Rig();
  RemapDir remap;
  auto* copy = static_cast<SkinMod*>(skin->Clone(remap));
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->GetNumBones(), 2);
  EXPECT_EQ(copy->GetBone(0), a);
  EXPECT_EQ(copy->GetBone(1), b);
  EXPECT_EQ(copy->Weights().Pairs(1).size(), 2u);
  // Independent tables: rewriting the copy leaves the original.
  auto onlyA = Bones({a});
  auto one = Weights({1});
  auto* other = CreateDerivedObject(OneVertexTri({0, 0, 0}));
  other->AddModifier(copy);
  INode* otherNode = ip->CreateObjectNode(other);
  EXPECT_EQ(copy->GetContextInterface(node), nullptr);
  ASSERT_TRUE(copy->AddWeights(otherNode, 1, onlyA, one));
  EXPECT_EQ(skin->Weights().Pairs(1).size(), 2u);
  // A bone deleted later leaves both.
  ip->DeleteNode(a);
  EXPECT_EQ(copy->GetNumBones(), 1);
  EXPECT_EQ(skin->GetNumBones(), 1);
}

TEST_F(SkinTest, ConcurrentReadsSeeTheSameWeights) {
  Rig();
  ASSERT_TRUE(import->SetNumPoints(node, 2000));
  auto ab = Bones({a, b});
  for (int v = 0; v < 2000; ++v) {
    auto w = Weights({static_cast<float>(v), 1.0f});
    ASSERT_TRUE(import->AddWeights(node, v, ab, w));
  }
  ISkinContextData* ctx = iskin->GetContextInterface(node);
  auto sum = [&] {
    double s = 0;
    for (int rep = 0; rep < 20; ++rep)
      for (int v = 0; v < ctx->GetNumPoints(); ++v)
        for (int k = 0; k < ctx->GetNumAssignedBones(v); ++k)
          s += ctx->GetBoneWeight(v, k) * (1 + ctx->GetAssignedBone(v, k)) +
               (iskin->GetBone(ctx->GetAssignedBone(v, k)) == b ? 1 : 0);
    return s;
  };
  double s1 = 0, s2 = 0;
  std::thread t1([&] { s1 = sum(); });
  std::thread t2([&] { s2 = sum(); });
  t1.join();
  t2.join();
  // 20 * (sum of v over 0..1999 + 2000 * 2 + 2000).
  const double expected = 20.0 * (1999.0 * 2000.0 / 2.0 + 2000.0 * 3.0);
  EXPECT_DOUBLE_EQ(s1, expected);
  EXPECT_DOUBLE_EQ(s2, expected);
}

}  // namespace

// A bone count without the bindings that every saved bone has is damage: the
// load fails before sizing anything (a fuzzed scene asked for 16M bones here).
TEST(SkinLoad, BoneCountWithoutBindingsIsRefused) {
  MemorySave out;
  ULONG n = 0;
  const std::int32_t bones = 0x1000000;
  out.BeginChunk(0x100);
  out.Write(&bones, sizeof bones, &n);
  out.EndChunk();
  SkinMod skin;
  MemoryLoad in(out.Data());
  EXPECT_EQ(skin.Load(&in), IO_ERROR);
  EXPECT_EQ(skin.GetNumBones(), 0);
}
