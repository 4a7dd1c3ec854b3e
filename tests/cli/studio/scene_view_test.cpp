#include "cli/studio/scene_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "cli/studio/panel_actions.h"
#include "cli/studio/studio_document.h"
#include "cli/terminal_host/plugin_host.h"
#include "sdk/derived_object.h"
#include "sdk/tri_object.h"
#include "tools/node_ops.h"

namespace {

using nlohmann::json;

// The demo character as the studio opens it, on the test's own thread.
class SceneViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    std::ostringstream out;
    ASSERT_TRUE(document.Open(StudioOptions(), out, error)) << error;
    ip->EnumNodes(nodes);
    ASSERT_EQ(nodes.size(), 6u);
    mesh = nodes[0];
  }
  void TearDown() override { CloseHostSession(); }

  // World positions of an object's mesh, worked out here.
  static std::vector<Point3> World(TriObject* tri, INode* node, TimeValue t) {
    std::vector<Point3> out;
    for (int v = 0; v < tri->GetMesh().numVerts; ++v) out.push_back(node->GetObjectTM(t).PointTransform(tri->GetMesh().verts[v]));
    return out;
  }
  static json Control(const json& panel, int id) {
    for (const auto& c : panel[0]["controls"])
      if (c["id"] == id) return c;
    return nullptr;
  }

  Interface* ip = GetCOREInterface();
  StudioDocument document;
  std::vector<INode*> nodes;
  INode* mesh = nullptr;
};

TEST_F(SceneViewTest, AFrameIsTheStacksResultAndItsDistanceToDeltaMush) {
  EnterControlValue(0, 1491, 10);
  const TimeValue t = 10 * GetTicksPerFrame();
  MeshTopology topology;
  MeshFrame frame;
  ASSERT_TRUE(EvaluateNodeView(mesh, t, topology, frame));
  EXPECT_EQ(frame.frame, 10);
  EXPECT_TRUE(frame.hasFernwick);
  EXPECT_TRUE(frame.fernwickOn);
  EXPECT_EQ(topology.vertexCount, 9952u);
  EXPECT_EQ(topology.triangles.size(), 3u * 19900);
  EXPECT_EQ(frame.key, topology.key);

  int del = 0;
  TriObject* result = GetNodeTriObject(mesh, t, &del);
  const std::vector<Point3> expected = World(result, mesh, t);
  if (del) result->DeleteMe();
  int inDel = 0;
  TriObject* input = EvalStackTriObject(mesh, t, 1, inDel);  // the Skin's result, Fernwick's input
  const std::vector<Point3> skinned = World(input, mesh, t);
  if (inDel) input->DeleteMe();
  ASSERT_EQ(frame.positions.size(), 3 * expected.size());
  float largest = 0;
  for (size_t v = 0; v < expected.size(); ++v) {
    EXPECT_EQ(frame.positions[3 * v], expected[v].x);
    EXPECT_EQ(frame.positions[3 * v + 2], expected[v].z);
    EXPECT_NEAR(frame.displacement[v], (expected[v] - skinned[v]).Length(), 1e-6f);
    largest = std::max(largest, frame.displacement[v]);
  }
  EXPECT_GT(largest, 1e-3f) << "Delta Mush moves the crude skin at a posed frame";

  // Switched off (as a solve leaves it), the mesh is the Skin's, and the
  // distances are still those to the Delta Mush result; it stays off.
  SwitchStackModifier(ip, static_cast<int>(mesh->GetHandle()), 0, false);
  ASSERT_TRUE(EvaluateNodeView(mesh, t, topology, frame));
  EXPECT_TRUE(frame.hasFernwick);
  EXPECT_FALSE(frame.fernwickOn);
  for (size_t v = 0; v < skinned.size(); ++v) {
    EXPECT_EQ(frame.positions[3 * v + 1], skinned[v].y);
    EXPECT_NEAR(frame.displacement[v], (expected[v] - skinned[v]).Length(), 1e-6f);
  }
  EXPECT_FALSE(ModifierAt(mesh, 0)->IsEnabled());
}

TEST_F(SceneViewTest, NormalsAreUnitAndFaceOutwardOfTheTail) {
  MeshTopology topology;
  MeshFrame frame;
  ASSERT_TRUE(EvaluateNodeView(mesh, 0, topology, frame));
  ASSERT_EQ(frame.normals.size(), frame.positions.size());
  // The tail stands along +Y around its axis: a side vertex's normal points
  // away from the axis (worked out from the bounds, not from the faces).
  float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
  for (size_t i = 0; i < frame.positions.size(); ++i) {
    lo[i % 3] = std::min(lo[i % 3], frame.positions[i]);
    hi[i % 3] = std::max(hi[i % 3], frame.positions[i]);
  }
  const float cx = (lo[0] + hi[0]) / 2, cz = (lo[2] + hi[2]) / 2, height = hi[1] - lo[1];
  int side = 0, outward = 0;
  for (size_t v = 0; v < frame.positions.size() / 3; ++v) {
    const float n[3] = {frame.normals[3 * v] / 127.0f, frame.normals[3 * v + 1] / 127.0f, frame.normals[3 * v + 2] / 127.0f};
    EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0f, 0.02f) << v;
    const float y = frame.positions[3 * v + 1];
    if (y < lo[1] + 0.2f * height || y > hi[1] - 0.2f * height) continue;
    ++side;
    outward += n[0] * (frame.positions[3 * v] - cx) + n[2] * (frame.positions[3 * v + 2] - cz) > 0;
  }
  EXPECT_GT(side, 1000);
  EXPECT_EQ(outward, side);
}

TEST_F(SceneViewTest, BonesAreTheSkinBonesShapes) {
  const TimeValue t = 5 * GetTicksPerFrame();
  MeshTopology topology;
  MeshFrame frame;
  ASSERT_TRUE(EvaluateNodeView(mesh, t, topology, frame));
  // Five bones, each a closed octahedron: 6 corners, 12 edges.
  EXPECT_EQ(topology.boneVertexCount, 30u);
  EXPECT_EQ(topology.boneEdges.size(), 2u * 60);
  for (std::uint32_t i : topology.boneEdges) EXPECT_LT(i, 30u);
  int del = 0;
  TriObject* bone = GetNodeTriObject(nodes[3], t, &del);  // tail_2, the Skin's third bone
  const std::vector<Point3> corners = World(bone, nodes[3], t);
  if (del) bone->DeleteMe();
  ASSERT_EQ(corners.size(), 6u);
  for (size_t k = 0; k < 6; ++k) EXPECT_EQ(frame.bonePositions[3 * (12 + k) + 1], corners[k].y);

  // A bone node itself: its own mesh, no Fernwick, no bones.
  ASSERT_TRUE(EvaluateNodeView(nodes[1], t, topology, frame));
  EXPECT_FALSE(frame.hasFernwick);
  EXPECT_EQ(topology.vertexCount, 6u);
  EXPECT_EQ(topology.boneVertexCount, 0u);
  for (float d : frame.displacement) EXPECT_EQ(d, 0.0f);
}

TEST_F(SceneViewTest, ThePanelIsDialog101WithTheHostsControlStates) {
  const json panel = DescribePanel();
  ASSERT_EQ(panel.size(), 2u);
  EXPECT_EQ(panel[0]["title"], "Parameters");
  EXPECT_EQ(panel[0]["width"], 108);
  EXPECT_EQ(panel[0]["height"], 311);
  EXPECT_EQ(panel[1]["title"], "About");
  EXPECT_EQ(panel[1]["open"], false);
  const json extract = Control(panel, 1001);
  EXPECT_EQ(extract["kind"], "pushbutton");
  EXPECT_EQ(extract["text"], "Extract state");
  EXPECT_EQ((std::vector<int>{extract["x"], extract["y"], extract["cx"], extract["cy"]}), (std::vector<int>{7, 16, 60, 13}));
  EXPECT_EQ(Control(panel, 1004)["text"], "OK, V: 9952, T: 19900");
  EXPECT_EQ(Control(panel, 1013)["text"], "0.0005");
  EXPECT_EQ(Control(panel, 1010)["enabled"], true);
  EXPECT_EQ(Control(panel, 1014)["enabled"], false);
  EXPECT_EQ(Control(panel, 1002)["kind"], "custbutton");
  EXPECT_EQ(Control(panel, 1002)["checkButton"], true);
  EXPECT_EQ(Control(panel, 1491)["param"], "iter");
  EXPECT_EQ(Control(panel, 1491)["integer"], true);
  EXPECT_EQ(Control(panel, 1490)["integer"], false);
  EXPECT_EQ(Control(panel, 1490)["text"], "1.000");
  // The state follows RefreshRollout, read back after each action.
  EnterControlValue(0, 1503, 1);  // the spinner's id names the edit's parameter too
  EXPECT_EQ(Control(DescribePanel(), 1013)["text"], "1.0000");
  SpinControl(0, 1497, 3);
  EXPECT_EQ(Control(DescribePanel(), 1491)["text"], "4");
  SpinControl(0, 1496, -1);
  EXPECT_EQ(Control(DescribePanel(), 1490)["text"], "0.990");
}

TEST_F(SceneViewTest, NodesAndTheStack) {
  const json list = DescribeNodes(ip);
  ASSERT_EQ(list.size(), 6u);
  EXPECT_EQ(list[0]["name"], "tail");
  EXPECT_EQ(list[0]["selected"], true);
  EXPECT_EQ(list[0]["hasMesh"], true);
  EXPECT_EQ(list[2]["name"], "tail_1");
  EXPECT_EQ(list[2]["parent"], list[1]["handle"]);
  EXPECT_EQ(list[2]["depth"], 1);
  const json stack = DescribeStack(mesh, ip->GetModifyPanelModifier());
  ASSERT_EQ(stack["modifiers"].size(), 2u);
  EXPECT_EQ(stack["modifiers"][0]["name"], "Fernwick");
  EXPECT_EQ(stack["modifiers"][0]["fernwick"], true);
  EXPECT_EQ(stack["modifiers"][0]["open"], true);
  EXPECT_EQ(stack["modifiers"][1]["name"], "Skin");
  EXPECT_EQ(stack["modifiers"][1]["position"], 1);
  EXPECT_EQ(stack["base"], "Editable Mesh");

  // Picking a bone: no modifier to show, the panel closes.
  PickNode(ip, static_cast<int>(nodes[2]->GetHandle()));
  EXPECT_EQ(ip->GetSelNode(0), nodes[2]);
  EXPECT_EQ(ip->GetModifyPanelModifier(), nullptr);
  EXPECT_EQ(DescribePanel().size(), 0u);
  // Opening the Skin of the mesh selects the mesh and shows the Skin.
  OpenStackModifier(ip, static_cast<int>(mesh->GetHandle()), 1);
  EXPECT_EQ(ip->GetSelNode(0), mesh);
  EXPECT_EQ(ip->GetModifyPanelModifier(), ModifierAt(mesh, 1));
  EXPECT_EQ(DescribeStack(mesh, ip->GetModifyPanelModifier())["modifiers"][1]["open"], true);
  // Picking the mesh again keeps the Skin open: it is on the mesh's stack.
  PickNode(ip, static_cast<int>(mesh->GetHandle()));
  EXPECT_EQ(ip->GetModifyPanelModifier(), ModifierAt(mesh, 1));
}

TEST_F(SceneViewTest, TheTimeSlider) {
  const json time = DescribeTime(ip);
  EXPECT_EQ(time["frame"], 0);
  EXPECT_EQ(time["start"], 0);
  EXPECT_EQ(time["end"], 31) << "the demo's wave clip, keyed from frame 1";
  EXPECT_EQ(time["fps"], 30);
}

}  // namespace
