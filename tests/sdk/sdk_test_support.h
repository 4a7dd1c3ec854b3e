// Shared pieces of the host tests: simple modifiers and a fixture that
// leaves an empty scene behind.
#pragma once
#include <gtest/gtest.h>

#include "derived_object.h"
#include "interface.h"
#include "message_box.h"
#include "remap_dir.h"
#include "tri_object.h"

// Moves every vertex of a triangle mesh by an offset.
class TranslateMod : public Modifier {
 public:
  explicit TranslateMod(Point3 d) : delta(d) { ++alive; }
  ~TranslateMod() override { --alive; }
  void ModifyObject(TimeValue, ModContext&, ObjectState* os, INode* node) override {
    lastNode = node;
    ++calls;
    if (!os->obj->IsSubClassOf(triObjectClassID)) return;
    Mesh& m = static_cast<TriObject*>(os->obj)->GetMesh();
    for (auto& v : m.verts) v += delta;
  }
  Class_ID ClassID() override { return Class_ID(0x7E57, 1); }
  RefTargetHandle Clone(RemapDir& remap) override {
    auto* c = new TranslateMod(delta);
    BaseClone(this, c, remap);
    return c;
  }
  Point3 delta;
  INode* lastNode = nullptr;
  int calls = 0;
  static inline int alive = 0;
};

// Scales every vertex of a triangle mesh about the origin.
class ScaleMod : public Modifier {
 public:
  explicit ScaleMod(float f) : factor(f) {}
  void ModifyObject(TimeValue, ModContext&, ObjectState* os, INode*) override {
    if (!os->obj->IsSubClassOf(triObjectClassID)) return;
    Mesh& m = static_cast<TriObject*>(os->obj)->GetMesh();
    for (auto& v : m.verts) v *= factor;
  }
  Class_ID ClassID() override { return Class_ID(0x7E57, 2); }
  float factor;
};

inline TriObject* OneVertexTri(Point3 p) {
  TriObject* tri = CreateNewTriObject();
  tri->mesh.setNumVerts(1);
  tri->mesh.verts[0] = p;
  return tri;
}

inline Point3 FirstVertex(const ObjectState& os) {
  return static_cast<TriObject*>(os.obj)->GetMesh().verts[0];
}

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override { ip = GetCOREInterface(); }
  void TearDown() override {
    ip->ResetScene();
    ClearMessageBoxLog();
    DefaultMessageBoxPolicy().Reset();
    EXPECT_EQ(TranslateMod::alive, 0) << "the scene reset left modifiers behind";
  }
  Interface* ip = nullptr;
};

#define EXPECT_P3_NEAR(a, b, eps)        \
  do {                                   \
    const Point3 pa_ = (a), pb_ = (b);   \
    EXPECT_NEAR(pa_.x, pb_.x, eps);      \
    EXPECT_NEAR(pa_.y, pb_.y, eps);      \
    EXPECT_NEAR(pa_.z, pb_.z, eps);      \
  } while (0)
