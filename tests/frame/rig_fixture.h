// A small skinned rig for the solver and rig-tool tests: a ridged strip along
// x on two bones, the second bent about z over frames 0 to 10, with a crude
// Skin (each vertex fully on its nearer bone) and a Fernwick above it.
#pragma once
#include <cmath>

#include "plugin_fixture.h"
#include "sdk/helper_object.h"
#include "sdk/iskin.h"
#include "sdk/quat.h"
#include "sdk/rollout.h"
#include "solver/weight_search.h"
#include "tests/support/temp_dir.h"

class RigTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    ip->SetAnimRange(Interval(0, 10 * GetTicksPerFrame()));
  }

  // A bone node with a slim box mesh from 0 to length along x.
  INode* MakeBone(const wchar_t* name, float length) {
    TriObject* tri = CreateNewTriObject();
    const float w = 0.05f;
    tri->mesh = MakeTriMesh({{0, -w, -w}, {length, -w, -w}, {length, w, -w}, {0, w, -w},
                             {0, -w, w}, {length, -w, w}, {length, w, w}, {0, w, w}},
                            {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                             {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}});
    INode* n = ip->CreateObjectNode(tri, name);
    return n;
  }

  // The strip: nx by 3 vertices from x = 0 to 4, a quad grid.
  void BuildRig(int nx = 17, bool withFernwick = true) {
    boneA = MakeBone(L"Upper", 2.0f);
    boneB = MakeBone(L"Lower", 2.0f);
    boneA->AttachChild(boneB, FALSE);
    boneB->SetNodeTM(0, TransMatrix(Point3(2, 0, 0)));
    // Keys: rest at 0, bent 60 degrees at frame 10.
    ip->SetAnimateMode(TRUE);
    const TimeValue t10 = 10 * GetTicksPerFrame();
    boneB->SetNodeTM(0, TransMatrix(Point3(2, 0, 0)));
    Matrix3 bent = RotAngleAxisMatrix(Point3(0, 0, 1), 1.0471976f);
    bent.SetTrans(Point3(2, 0, 0));
    boneB->SetNodeTM(t10, bent);
    ip->SetAnimateMode(FALSE);

    MNMesh grid;
    grid.setNumVerts(nx * 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < nx; ++x)
        grid.P(y * nx + x) = Point3(4.0f * x / (nx - 1), 0.3f * (y - 1), 0.05f * std::sin(3.0f * x));
    for (int y = 0; y + 1 < 3; ++y)
      for (int x = 0; x + 1 < nx; ++x)
        grid.NewFace({y * nx + x, y * nx + x + 1, (y + 1) * nx + x + 1, (y + 1) * nx + x});
    TriObject* tri = CreateNewTriObject();
    grid.OutToTri(tri->mesh);
    restMesh = tri->mesh;
    meshNode = ip->CreateObjectNode(tri, L"Strip");

    skin = static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    InsertModifier(meshNode, skin);
    auto* import = static_cast<ISkinImportData*>(skin->GetInterface(I_SKINIMPORTDATA));
    import->AddBoneEx(boneA, FALSE);
    import->AddBoneEx(boneB, FALSE);
    for (int v = 0; v < restMesh.numVerts; ++v) {
      Tab<INode*> bones;
      Tab<float> w;
      bones.Append(restMesh.verts[v].x < 2.0f ? boneA : boneB);
      w.Append(1.0f);
      import->AddWeights(meshNode, v, bones, w);
    }
    if (withFernwick) {
      fernwick = NewFernwick();
      InsertModifier(meshNode, fernwick);
      fernwick->GetParamBlock(0)->SetValue(kIter, 0, 10);  // captures the rest state at frame 0
      fernwick->GetParamBlock(0)->SetValue(kBoundFixed, 0, 0);  // a strip is all border
      fernwick->GetParamBlock(0)->SetValue(kEndFrame, 0, 10);
    }
    ip->SelectNode(meshNode, 1);
  }

  ISkin* Skin() { return static_cast<ISkin*>(skin->GetInterface(I_SKIN)); }
  ISkinContextData* Context() { return Skin()->GetContextInterface(meshNode); }

  HWND OpenRollout() {
    ip->OpenModifyPanel(fernwick);
    return FindOpenRollout(L"Parameters");
  }

  // World positions of the node at frame f.
  std::vector<Point3> WorldAt(int frame) {
    const TimeValue t = frame * GetTicksPerFrame();
    Object* obj = meshNode->EvalWorldState(t).obj;
    const Mesh& m = static_cast<TriObject*>(obj)->GetMesh();
    const Matrix3 tm = meshNode->GetObjectTM(t);
    std::vector<Point3> out;
    for (const Point3& p : m.verts) out.push_back(tm.PointTransform(p));
    return out;
  }

  // Sum over frames 0..10 and vertices of the distance between two pose sets.
  static double Distance(const std::vector<std::vector<Point3>>& a, const std::vector<std::vector<Point3>>& b) {
    double sum = 0;
    for (size_t f = 0; f < a.size(); ++f)
      for (size_t v = 0; v < a[f].size(); ++v) sum += (a[f][v] - b[f][v]).Length();
    return sum;
  }

  std::vector<std::vector<Point3>> Frames() {
    std::vector<std::vector<Point3>> out;
    for (int f = 0; f <= 10; ++f) out.push_back(WorldAt(f));
    return out;
  }

  std::vector<std::wstring> BoxTexts() {
    std::vector<std::wstring> out;
    for (const MessageBoxRecord& r : MessageBoxLog()) out.push_back(r.text);
    return out;
  }

  INode *boneA = nullptr, *boneB = nullptr, *meshNode = nullptr;
  Modifier *skin = nullptr, *fernwick = nullptr;
  Mesh restMesh;
};
