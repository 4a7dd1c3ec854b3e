// The plug-in loaded once for all tests, and a scene emptied after each.
#pragma once
#include <gtest/gtest.h>

#include "deformer/deform.h"
#include "deformer/rest_capture.h"
#include "sdk/class_desc.h"
#include "sdk/derived_object.h"
#include "sdk/interface.h"
#include "sdk/message_box.h"
#include "sdk/modifier.h"
#include "sdk/param_block.h"
#include "sdk/plugin_manager.h"
#include "sdk/poly_object.h"
#include "sdk/script_engine.h"
#include "sdk/tri_object.h"
#include "tests/support/mesh_builders.h"
#include "tools/node_ops.h"

inline const Class_ID kFernwickId(0x091D6366, 0x253B2454);

enum : ParamID {
  kWeight = 0, kIter, kDisplace, kShowState, kBoundFixed, kVertSel, kVertCol,
  kStartFrame, kEndFrame, kBoneLimit, kSolverIterations
};

class PluginTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!dll) {
      std::string error;
      dll = LoadPlugin(FW_PLUGIN_PATH, &error);
      ASSERT_NE(dll, nullptr) << error;
    }
  }
  void SetUp() override {
    ASSERT_NE(dll, nullptr);
    ip = GetCOREInterface();
    desc = static_cast<ClassDesc2*>(dll->GetClassDesc(0));
  }
  void TearDown() override {
    ip->ResetScene();
    ClearMessageBoxLog();
    ClearScriptRunLog();
    DefaultMessageBoxPolicy().Reset();
  }

  Modifier* NewFernwick() { return static_cast<Modifier*>(desc->Create(FALSE)); }

  // A node with a triangle mesh and a Fernwick on its stack; the rest state
  // is captured by the first parameter change, as in the host.
  INode* NodeWithFernwick(const Mesh& mesh, Modifier*& mod) {
    TriObject* tri = CreateNewTriObject();
    tri->mesh = mesh;
    INode* node = ip->CreateObjectNode(tri);
    mod = NewFernwick();
    InsertModifier(node, mod);
    return node;
  }

  static TriObject* BaseTri(INode* node) {
    Object* obj = node->GetObjectRef();
    while (obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID) obj = static_cast<IDerivedObject*>(obj)->GetObjRef();
    return static_cast<TriObject*>(obj);
  }

  // Replaces the node's base positions, as an animated skin below would.
  static void Pose(INode* node, const std::vector<Point3>& pos) {
    TriObject* base = BaseTri(node);
    base->mesh.verts = pos;
    base->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
  }

  static std::vector<Point3> Evaluated(INode* node, TimeValue t = 0) {
    Object* obj = node->EvalWorldState(t).obj;
    if (obj->IsSubClassOf(triObjectClassID)) return static_cast<TriObject*>(obj)->GetMesh().verts;
    std::vector<Point3> out;
    MNMesh& mm = static_cast<PolyObject*>(obj)->GetMesh();
    for (int i = 0; i < mm.numv; ++i) out.push_back(mm.P(i));
    return out;
  }

  // The command handed exactly this script to the host, with the arguments
  // every command passes: errors not quiet, no result, quiet errors logged.
  static void ExpectOneScriptRun(const std::wstring& text) {
    ASSERT_EQ(ScriptRunLog().size(), 1u);
    const ScriptRunRecord& run = ScriptRunLog()[0];
    EXPECT_EQ(run.text, text);
    EXPECT_FALSE(run.quietErrors);
    EXPECT_FALSE(run.resultGiven);
    EXPECT_TRUE(run.logQuietErrors);
  }

  static inline DllDesc* dll = nullptr;
  Interface* ip = nullptr;
  ClassDesc2* desc = nullptr;
};

// Bends a mesh about the y axis, a pose that a crude skin might give.
inline std::vector<Point3> BentPositions(const std::vector<Point3>& in) {
  std::vector<Point3> out = in;
  for (auto& v : out) {
    const float a = 0.3f * v.x;
    v = Point3(v.x * std::cos(a) - v.z * std::sin(a), v.y, v.x * std::sin(a) + v.z * std::cos(a));
  }
  return out;
}
