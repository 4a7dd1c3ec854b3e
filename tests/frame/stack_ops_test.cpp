#include "plugin_fixture.h"
#include "sdk/iskin.h"

namespace {

class StackOpsTest : public PluginTest {
 protected:
  // node -> upper derived object (top, mid) -> lower derived object (low) -> mesh
  INode* Chain(Modifier* top, Modifier* mid, Modifier* low) {
    TriObject* tri = CreateNewTriObject();
    tri->mesh = MakeCube();
    IDerivedObject* lower = CreateDerivedObject(tri);
    lower->AddModifier(low);
    IDerivedObject* upper = CreateDerivedObject(lower);
    upper->AddModifier(mid);
    upper->AddModifier(top);
    return ip->CreateObjectNode(upper);
  }
};

TEST_F(StackOpsTest, ModifiersAreFoundByClassAcrossChainedStacks) {
  Modifier* a = NewFernwick();
  Modifier* b = NewFernwick();
  Modifier* c = NewFernwick();
  INode* node = Chain(a, b, c);
  int pos = -1;
  EXPECT_EQ(FindModifierByClass(node, kFernwickId, &pos), a);
  EXPECT_EQ(pos, 0);
  EXPECT_EQ(FindModifierByClass(node, Class_ID(1, 2), &pos), nullptr);
  EXPECT_EQ(FindNodeForModifier(c), node);  // through two derived objects
  Modifier* loose = NewFernwick();
  EXPECT_EQ(FindNodeForModifier(loose), nullptr);
  loose->DeleteMe();

  // Only the lowest one is a Fernwick: its position counts on across the chain.
  RemoveModifier(node, 0);
  RemoveModifier(node, 0);
  EXPECT_EQ(FindModifierByClass(node, kFernwickId, &pos), c);
  EXPECT_EQ(pos, 0);
}

TEST_F(StackOpsTest, InsertAtAPositionGoesDirectlyAboveIt) {
  TriObject* tri = CreateNewTriObject();
  tri->mesh = MakeCube();
  INode* node = ip->CreateObjectNode(tri);
  EXPECT_EQ(FindModifierByClass(node, kFernwickId), nullptr);  // no stack at all
  Modifier* lower = NewFernwick();
  InsertModifier(node, lower);
  ASSERT_EQ(node->GetObjectRef()->SuperClassID(), GEN_DERIVOB_CLASS_ID);
  EXPECT_EQ(static_cast<IDerivedObject*>(node->GetObjectRef())->GetObjRef(), tri);  // base kept

  Modifier* upper = NewFernwick();
  InsertModifier(node, upper, 0);
  auto* dobj = static_cast<IDerivedObject*>(node->GetObjectRef());
  ASSERT_EQ(dobj->NumModifiers(), 2);
  EXPECT_EQ(dobj->GetModifier(0), upper);
  EXPECT_EQ(dobj->GetModifier(1), lower);
  int pos = -1;
  EXPECT_EQ(FindModifierByClass(node, kFernwickId, &pos), upper);

  RemoveModifier(node, 0);
  EXPECT_EQ(FindModifierByClass(node, kFernwickId, &pos), lower);
  EXPECT_EQ(pos, 0);
}

TEST_F(StackOpsTest, EvaluationAtAPositionSeesOnlyWhatIsBelow) {
  const Mesh rest = MakeTorus(10, 8);
  Modifier* mod;
  INode* node = NodeWithFernwick(rest, mod);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 3);
  Pose(node, BentPositions(rest.verts));
  mod->GetParamBlock(0)->SetValue(kShowState, 0, 1);
  int needDelete = -1;
  TriObject* top = EvalStackTriObject(node, 0, 0, needDelete);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->GetMesh().verts, rest.verts);  // shows the captured mesh
  needDelete = 0;
  TriObject* below = EvalStackTriObject(node, 0, 1, needDelete);  // past the stack: the base
  ASSERT_NE(below, nullptr);
  EXPECT_EQ(below->GetMesh().verts, BentPositions(rest.verts));
  EXPECT_EQ(needDelete, 0);
}

TEST_F(StackOpsTest, PositionsRunOnThroughChainedStacksWithModifiersInEach) {
  // Upper derived object: two Skins; lower: one Fernwick.
  Modifier* s1 = static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
  Modifier* s2 = static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
  Modifier* f = NewFernwick();
  INode* node = Chain(s1, s2, f);
  auto* upper = static_cast<IDerivedObject*>(node->GetObjectRef());
  auto* lower = static_cast<IDerivedObject*>(upper->GetObjRef());
  int pos = -1;
  EXPECT_EQ(FindModifierByClass(node, kFernwickId, &pos), f);
  EXPECT_EQ(pos, 2);

  // Below the Fernwick is position 3, in the lower stack.
  Modifier* g = NewFernwick();
  InsertModifier(node, g, 3);
  ASSERT_EQ(lower->NumModifiers(), 2);
  EXPECT_EQ(lower->GetModifier(1), g);
  EXPECT_EQ(upper->NumModifiers(), 2);
  // Position 2 is the Fernwick: taking it off leaves g there.
  RemoveModifier(node, 2);
  ASSERT_EQ(lower->NumModifiers(), 1);
  EXPECT_EQ(lower->GetModifier(0), g);
  EXPECT_EQ(FindModifierByClass(node, kFernwickId, &pos), g);
  EXPECT_EQ(pos, 2);
  EXPECT_EQ(upper->GetModifier(0), s1);
  EXPECT_EQ(upper->GetModifier(1), s2);
}

}  // namespace
