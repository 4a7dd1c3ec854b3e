#include <cmath>

#include "sdk_test_support.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr TimeValue kFrame10 = 1600;  // 10 frames at 160 ticks

void ExpectMatrixNear(const Matrix3& a, const Matrix3& b, float eps) {
  for (int r = 0; r < 4; ++r) EXPECT_P3_NEAR(a[r], b[r], eps);
}

TEST(Quat, MatchesRotationMatricesAndComposesInMatrixOrder) {
  const Point3 axis = Normalize(Point3(1, 2, 3));
  Matrix3 m;
  QFromAngAxis(0.7f, axis).MakeMatrix(m);
  ExpectMatrixNear(m, RotAngleAxisMatrix(axis, 0.7f), 1e-6f);

  const Quat back(RotAngleAxisMatrix(axis, 0.7f));
  const Quat q = QFromAngAxis(0.7f, axis);
  EXPECT_NEAR(std::fabs(back.Dot(q)), 1.0f, 1e-6f);

  // Rotate about x first, then about z: (0,1,0) -> (0,0,1) -> (0,0,1);
  // (1,0,0) -> (1,0,0) -> (0,1,0).
  const Quat qx = QFromAngAxis(kPi / 2, {1, 0, 0}), qz = QFromAngAxis(kPi / 2, {0, 0, 1});
  Matrix3 both;
  (qx * qz).MakeMatrix(both);
  ExpectMatrixNear(both, RotAngleAxisMatrix({1, 0, 0}, kPi / 2) * RotAngleAxisMatrix({0, 0, 1}, kPi / 2), 1e-6f);
  EXPECT_P3_NEAR(Point3(1, 0, 0) * both, Point3(0, 1, 0), 1e-6f);
  EXPECT_P3_NEAR(Point3(0, 1, 0) * both, Point3(0, 0, 1), 1e-6f);
}

TEST(Quat, SlerpHalfwayIsHalfTheAngle) {
  const Quat a, b = QFromAngAxis(kPi / 2, {0, 0, 1});
  Matrix3 m;
  Slerp(a, b, 0.5f).MakeMatrix(m);
  const float h = std::sqrt(0.5f);
  EXPECT_P3_NEAR(Point3(1, 0, 0) * m, Point3(h, h, 0), 1e-6f);
}

TEST_F(SceneTest, NodeTransformComposesParentKeysInterpolatedBetweenKeys) {
  INode* parent = ip->CreateObjectNode(nullptr, L"parent");
  INode* child = ip->CreateObjectNode(nullptr, L"child");
  parent->AttachChild(child, 0);
  child->SetNodeTM(0, TransMatrix({2, 0, 0}));  // animate off: for all times

  // Parent: at frame 0 at the origin; at frame 10 turned 90 degrees about z
  // and moved to (10, 0, 0).
  ip->SetAnimateMode(TRUE);
  parent->SetNodeTM(0, Matrix3());
  parent->SetNodeTM(kFrame10, RotAngleAxisMatrix({0, 0, 1}, kPi / 2) * TransMatrix({10, 0, 0}));
  ip->SetAnimateMode(FALSE);
  EXPECT_EQ(parent->PositionTrack().NumKeys(), 2);
  EXPECT_EQ(parent->RotationTrack().NumKeys(), 2);

  // Frame 5: parent turned 45 degrees and at (5, 0, 0); the child's (2, 0, 0)
  // turns to (sqrt 2, sqrt 2, 0) and is carried to (5 + sqrt 2, sqrt 2, 0).
  const float r2 = std::sqrt(2.0f), h = std::sqrt(0.5f);
  const Matrix3 tm = child->GetNodeTM(800);
  EXPECT_P3_NEAR(tm.GetTrans(), Point3(5 + r2, r2, 0), 1e-5f);
  EXPECT_P3_NEAR(tm.GetRow(0), Point3(h, h, 0), 1e-6f);
  EXPECT_P3_NEAR(tm.GetRow(1), Point3(-h, h, 0), 1e-6f);
  ExpectMatrixNear(child->GetObjectTM(800), tm, 0);
  // Outside the keys the end values hold.
  EXPECT_P3_NEAR(child->GetNodeTM(5000).GetTrans(), Point3(10, 2, 0), 1e-5f);

  Interval valid = FOREVER;
  child->GetNodeTM(800, &valid);
  EXPECT_EQ(valid, Interval(800, 800));
}

TEST_F(SceneTest, SetNodeTMWithoutAnimateModeMovesAllKeysOrTheConstantValue) {
  INode* n = ip->CreateObjectNode(nullptr);
  n->SetNodeTM(0, TransMatrix({3, 0, 0}));
  EXPECT_P3_NEAR(n->GetNodeTM(9999).GetTrans(), Point3(3, 0, 0), 0);
  EXPECT_FALSE(n->PositionTrack().IsAnimated());

  ip->SetAnimateMode(TRUE);
  n->SetNodeTM(kFrame10, TransMatrix({13, 0, 0}));  // also keys (3,0,0) at 0
  ip->SetAnimateMode(FALSE);
  EXPECT_P3_NEAR(n->GetNodeTM(800).GetTrans(), Point3(8, 0, 0), 1e-6f);
  n->SetNodeTM(800, TransMatrix({8, 1, 0}));
  EXPECT_P3_NEAR(n->GetNodeTM(0).GetTrans(), Point3(3, 1, 0), 1e-6f);
  EXPECT_P3_NEAR(n->GetNodeTM(kFrame10).GetTrans(), Point3(13, 1, 0), 1e-6f);
}

TEST_F(SceneTest, AttachChildKeepsTheWorldTransformWhenAsked) {
  INode* p = ip->CreateObjectNode(nullptr);
  INode* c = ip->CreateObjectNode(nullptr);
  p->SetNodeTM(0, Matrix3({2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {1, 0, 0}));
  c->SetNodeTM(0, TransMatrix({5, 0, 0}));
  p->AttachChild(c);
  EXPECT_EQ(c->GetParentNode(), p);
  EXPECT_EQ(p->NumberOfChildren(), 1);
  EXPECT_P3_NEAR(c->GetNodeTM(0).GetTrans(), Point3(5, 0, 0), 1e-6f);
  EXPECT_P3_NEAR(c->PositionTrack().Value(), Point3(2, 0, 0), 1e-6f);  // (5 - 1) / 2
  EXPECT_P3_NEAR(c->ScaleTrack().Value(), Point3(0.5f, 0.5f, 0.5f), 1e-6f);
}

TEST_F(SceneTest, HiddenNodesEvaluateOnlyWhenAsked) {
  INode* n = ip->CreateObjectNode(OneVertexTri({1, 2, 3}));
  n->Hide(TRUE);
  EXPECT_EQ(n->EvalWorldState(0, FALSE).obj, nullptr);
  EXPECT_EQ(n->EvalWorldState(0).obj, n->GetObjectRef());
}

TEST_F(SceneTest, ObjectOffsetPlacesTheObjectButNotTheChildren) {
  INode* parent = ip->CreateObjectNode(nullptr, L"parent");
  INode* child = ip->CreateObjectNode(nullptr, L"child");
  parent->AttachChild(child, FALSE);
  parent->SetNodeTM(0, TransMatrix({1, 2, 3}));
  child->SetNodeTM(0, TransMatrix({1, 2, 4}));
  EXPECT_EQ(parent->GetObjectTM(0), parent->GetNodeTM(0)) << "no offset: the object sits at the pivot";

  Matrix3 offset = RotAngleAxisMatrix(Point3(0, 0, 1), 0.5f);
  offset.SetTrans(Point3(0, 0.5f, 0));
  parent->SetObjectOffsetTM(offset);
  EXPECT_EQ(parent->GetObjectOffsetTM(), offset);
  EXPECT_EQ(parent->GetObjectTM(0), offset * parent->GetNodeTM(0));
  // A point on the object's x axis lands turned about the pivot, then moved.
  EXPECT_P3_NEAR(parent->GetObjectTM(0).PointTransform({1, 0, 0}),
                 Point3(1 + std::cos(0.5f), 2.5f + std::sin(0.5f), 3), 1e-6f);
  EXPECT_P3_NEAR(child->GetNodeTM(0).GetTrans(), Point3(1, 2, 4), 1e-6f);
  EXPECT_EQ(child->GetObjectTM(0), child->GetNodeTM(0));
}

}  // namespace
