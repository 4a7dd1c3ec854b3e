#include "poly_object.h"
#include "sdk_test_support.h"
#include "spline_shape.h"

namespace {

// Base vertex (1, 2, 3). Inner stack, top first: scale 2, move +10 in x.
// Outer stack: move +100 in y. Running positions: 0 outer move, 1 scale,
// 2 inner move, 3 the base.
class StackTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    base = OneVertexTri({1, 2, 3});
    inner = CreateDerivedObject(base);
    inner->AddModifier(new TranslateMod({10, 0, 0}));
    scale = new ScaleMod(2);
    inner->AddModifier(scale);  // on top
    outer = CreateDerivedObject(inner);
    up = new TranslateMod({0, 100, 0});
    outer->AddModifier(up);
    node = ip->CreateObjectNode(outer);
  }
  TriObject* base = nullptr;
  IDerivedObject* inner = nullptr;
  IDerivedObject* outer = nullptr;
  ScaleMod* scale = nullptr;
  TranslateMod* up = nullptr;
  INode* node = nullptr;
};

TEST_F(StackTest, EvalAtEachPositionAppliesModifiersFromTheBottomUp) {
  EXPECT_P3_NEAR(FirstVertex(outer->Eval(0, 0)), Point3(22, 104, 6), 1e-6f);
  EXPECT_P3_NEAR(FirstVertex(outer->Eval(0, 1)), Point3(22, 4, 6), 1e-6f);
  EXPECT_P3_NEAR(FirstVertex(outer->Eval(0, 2)), Point3(11, 2, 3), 1e-6f);
  EXPECT_P3_NEAR(FirstVertex(outer->Eval(0, 3)), Point3(1, 2, 3), 1e-6f);
  EXPECT_P3_NEAR(FirstVertex(node->EvalWorldState(0)), Point3(22, 104, 6), 1e-6f);
  EXPECT_EQ(base->mesh.verts[0], Point3(1, 2, 3)) << "evaluation works on copies";
  EXPECT_EQ(up->lastNode, node) << "the modifier is told its node";
}

TEST_F(StackTest, DisabledModifiersAreSkipped) {
  scale->DisableMod();
  EXPECT_P3_NEAR(FirstVertex(outer->Eval(0, 0)), Point3(11, 102, 3), 1e-6f);
  scale->EnableMod();
  EXPECT_P3_NEAR(FirstVertex(outer->Eval(0, 0)), Point3(22, 104, 6), 1e-6f);
}

TEST_F(StackTest, AddAndDeleteTakeRunningPositionsAcrossTheChain) {
  ASSERT_EQ(outer->NumModifiers(), 1);
  // Position 2 lies in the inner stack: the new one goes above the inner move.
  auto* triple = new ScaleMod(3);
  outer->AddModifier(triple, nullptr, 2);
  EXPECT_EQ(outer->NumModifiers(), 1);
  ASSERT_EQ(inner->NumModifiers(), 3);
  EXPECT_EQ(inner->GetModifier(0), scale);
  EXPECT_EQ(inner->GetModifier(1), triple);
  // (1,2,3) +10x -> (11,2,3) *3 -> (33,6,9) *2 -> (66,12,18) +100y.
  EXPECT_P3_NEAR(FirstVertex(outer->Eval(0, 0)), Point3(66, 112, 18), 1e-5f);
  EXPECT_P3_NEAR(FirstVertex(outer->Eval(0, 2)), Point3(33, 6, 9), 1e-5f);

  // Position 1 = just below the outer stack's own modifier.
  auto* half = new ScaleMod(0.5f);
  outer->AddModifier(half, nullptr, 1);
  ASSERT_EQ(outer->NumModifiers(), 2);
  EXPECT_EQ(outer->GetModifier(1), half);

  outer->DeleteModifier(1);  // half again
  outer->DeleteModifier(2);  // the triple scale in the inner stack
  EXPECT_EQ(outer->NumModifiers(), 1);
  EXPECT_EQ(inner->NumModifiers(), 2);
  EXPECT_P3_NEAR(FirstVertex(outer->Eval(0, 0)), Point3(22, 104, 6), 1e-6f);
}

TEST_F(StackTest, DeletedModifierLeavesTheStack) {
  scale->DeleteMe();
  EXPECT_EQ(inner->NumModifiers(), 1);
  EXPECT_P3_NEAR(FirstVertex(outer->Eval(0, 0)), Point3(11, 102, 3), 1e-6f);
}

TEST_F(SceneTest, WrappingANodeObjectInADerivedObjectKeepsTheBase) {
  TriObject* tri = OneVertexTri({1, 0, 0});
  INode* node = ip->CreateObjectNode(tri);
  IDerivedObject* d = CreateDerivedObject();
  tri->TransferReferences(d);
  d->ReferenceObject(tri);
  EXPECT_EQ(node->GetObjectRef(), d);
  EXPECT_EQ(d->GetObjRef(), tri);
  d->AddModifier(new TranslateMod({0, 0, 5}));
  const ObjectState& os = node->EvalWorldState(0);
  EXPECT_NE(os.obj, tri);
  EXPECT_P3_NEAR(FirstVertex(os), Point3(1, 0, 5), 0);
}

// Wants triangle meshes: the stack converts what it can and skips the rest.
class TriOnlyMod : public TranslateMod {
 public:
  TriOnlyMod() : TranslateMod({0, 0, 1}) {}
  Class_ID InputType() override { return triObjectClassID; }
};

TEST_F(SceneTest, ObjectsAreConvertedToTheModifiersInputTypeWhenTheyCanBe) {
  auto* poly = new PolyObject;
  MNMesh& mm = poly->GetMesh();
  mm.setNumVerts(4);
  mm.P(0) = {0, 0, 0};
  mm.P(1) = {1, 0, 0};
  mm.P(2) = {1, 1, 0};
  mm.P(3) = {0, 1, 0};
  mm.NewFace({0, 1, 2, 3});
  IDerivedObject* d = CreateDerivedObject(poly);
  auto* mod = new TriOnlyMod;
  d->AddModifier(mod);
  ip->CreateObjectNode(d);
  ObjectState os = d->Eval(0);
  ASSERT_TRUE(os.obj->IsSubClassOf(triObjectClassID));
  const Mesh& m = static_cast<TriObject*>(os.obj)->GetMesh();
  EXPECT_EQ(m.numFaces, 2);
  EXPECT_P3_NEAR(m.verts[2], Point3(1, 1, 1), 0);

  auto* shape = new SplineShape;
  shape->knots = {{1, 2, 3}};
  IDerivedObject* ds = CreateDerivedObject(shape);
  auto* skipped = new TriOnlyMod;
  auto* taken = new TranslateMod({5, 5, 5});
  ds->AddModifier(skipped);
  ds->AddModifier(taken, nullptr, 1);  // below
  ip->CreateObjectNode(ds);
  os = ds->Eval(0);
  ASSERT_EQ(os.obj->ClassID(), splineShapeClassID);
  EXPECT_EQ(static_cast<SplineShape*>(os.obj)->knots[0], Point3(1, 2, 3));
  EXPECT_EQ(skipped->calls, 0) << "a shape cannot become a triangle mesh";
  EXPECT_EQ(taken->calls, 1) << "any deformable object reaches a defObject modifier";
}

TEST_F(SceneTest, ConversionsMakeNewObjectsOnlyWhenTheClassDiffers) {
  TriObject* tri = OneVertexTri({0, 0, 0});
  EXPECT_EQ(tri->ConvertToType(0, triObjectClassID), tri);
  auto* poly = new PolyObject;
  poly->GetMesh().setNumVerts(3);
  poly->GetMesh().NewFace({0, 1, 2});
  EXPECT_TRUE(poly->CanConvertToType(triObjectClassID));
  Object* conv = poly->ConvertToType(0, triObjectClassID);
  ASSERT_NE(conv, poly);
  EXPECT_EQ(static_cast<TriObject*>(conv)->GetMesh().numFaces, 1);
  conv->DeleteMe();
  auto* shape = new SplineShape;
  EXPECT_FALSE(shape->CanConvertToType(triObjectClassID));
  EXPECT_EQ(shape->ConvertToType(0, triObjectClassID), nullptr);
  tri->DeleteMe();
  poly->DeleteMe();
  shape->DeleteMe();
}

TEST_F(SceneTest, ALockedEvaluationResultSurvivesDeleteMe) {
  IDerivedObject* d = CreateDerivedObject(OneVertexTri({1, 1, 1}));
  ip->CreateObjectNode(d);
  Object* result = d->Eval(0).obj;
  EXPECT_TRUE(result->IsObjectLocked());
  EXPECT_EQ(result->DeleteMe(), REF_FAIL);
  EXPECT_P3_NEAR(FirstVertex(ObjectState(result)), Point3(1, 1, 1), 0);
}

}  // namespace
