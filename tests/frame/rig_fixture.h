// A small skinned rig for the solver and rig-tool tests: a ridged strip along
// x on two bones, the second bent about z over ten frames after the rest
// frame, with a crude Skin (each vertex fully on its nearer bone) and a
// Fernwick above it. Options make the times, transforms and stacks harder to
// confuse.
#pragma once
#include <cmath>
#include <functional>
#include <memory>

#include "plugin_fixture.h"
#include "sdk/helper_object.h"
#include "sdk/iskin.h"
#include "sdk/quat.h"
#include "sdk/rollout.h"
#include "solver/bone_distance_table.h"
#include "solver/candidate_bones.h"
#include "solver/weight_search.h"
#include "tests/support/temp_dir.h"

// Lifts every vertex along z in object space: whatever a user may put
// between the Skin and the Fernwick.
class LiftModifier : public Modifier {
 public:
  explicit LiftModifier(float dz) : dz_(dz) {}
  Class_ID ClassID() override { return Class_ID(0x4C494654, 0x46574B31); }
  void GetClassName(MSTR& s) override { s = L"Lift"; }
  Class_ID InputType() override { return triObjectClassID; }
  void ModifyObject(TimeValue, ModContext&, ObjectState* os, INode*) override {
    if (!os || !os->obj || !os->obj->IsSubClassOf(triObjectClassID)) return;
    Mesh& m = static_cast<TriObject*>(os->obj)->GetMesh();
    for (Point3& v : m.verts) v.z += dz_;
    m.InvalidateGeomCache();
  }

 private:
  float dz_;
};

// A vertex's bones and weights as written into a Skin, and every vertex's
// (bone index, weight) pairs as read back.
using BoneWeights = std::vector<std::pair<INode*, float>>;
using SkinPairs = std::vector<std::vector<std::pair<int, float>>>;

struct RigOptions {
  int restFrame = 0;     // the rig's rest pose, and the slider while it is built and solved
  bool offsets = false;  // bones and strip sit off their pivots, and the strip drifts over time
  bool lift = false;     // a LiftModifier between the Skin and the Fernwick
  bool chained = false;  // Skin (and lift) in a derived object of their own, the Fernwick in one above
  int nx = 17;
  bool withFernwick = true;
};

// Modifiers on a node's stack, top first, across chained derived objects.
inline std::vector<Modifier*> Stack(INode* node) {
  std::vector<Modifier*> out;
  Object* obj = node->GetObjectRef();
  while (obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
    auto* d = static_cast<IDerivedObject*>(obj);
    for (int i = 0; i < d->NumModifiers(); ++i) out.push_back(d->GetModifier(i));
    obj = d->GetObjRef();
  }
  return out;
}

// The solver's view of a Skin's current weights.
class ContextQuery : public SkinWeightQuery {
 public:
  explicit ContextQuery(ISkinContextData* c) : c_(c) {}
  int AssignedBoneCount(int v) const override { return c_->GetNumAssignedBones(v); }
  int AssignedBone(int v, int slot) const override { return c_->GetAssignedBone(v, slot); }
  float AssignedWeight(int v, int slot) const override { return c_->GetBoneWeight(v, slot); }

 private:
  ISkinContextData* c_;
};

class RigTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    ip->SetAnimRange(Interval(0, 10 * GetTicksPerFrame()));
  }

  // A bone node with a slim box mesh from 0 to length along x.
  INode* MakeBone(const wchar_t* name, float length) {
    TriObject* tri = CreateNewTriObject();
    const float w = kBoneHalfWidth;
    tri->mesh = MakeTriMesh({{0, -w, -w}, {length, -w, -w}, {length, w, -w}, {0, w, -w},
                             {0, -w, w}, {length, -w, w}, {length, w, w}, {0, w, w}},
                            {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                             {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}});
    INode* n = ip->CreateObjectNode(tri, name);
    return n;
  }

  // The strip: nx by 3 vertices from x = 0 to 4, a quad grid.
  void BuildRig(const RigOptions& o = {}) {
    fernwick = lift = nullptr;
    const int tpf = GetTicksPerFrame();
    const TimeValue rest = o.restFrame * tpf;
    ip->SetTime(rest);
    boneA = MakeBone(L"Upper", 2.0f);
    boneB = MakeBone(L"Lower", 2.0f);
    boneA->AttachChild(boneB, FALSE);
    boneB->SetNodeTM(rest, TransMatrix(Point3(2, 0, 0)));
    // Keys: rest at the rest frame, bent 60 degrees ten frames on, and bent
    // the other way at frame 0 when that is not the rest frame.
    ip->SetAnimateMode(TRUE);
    boneB->SetNodeTM(rest, TransMatrix(Point3(2, 0, 0)));
    boneB->SetNodeTM(rest + 10 * tpf, Bend(1.0471976f));
    if (o.restFrame != 0) boneB->SetNodeTM(0, Bend(-0.7f));
    ip->SetAnimateMode(FALSE);

    MNMesh grid;
    grid.setNumVerts(o.nx * 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < o.nx; ++x)
        grid.P(y * o.nx + x) = Point3(4.0f * x / (o.nx - 1), 0.3f * (y - 1), 0.05f * std::sin(3.0f * x));
    for (int y = 0; y + 1 < 3; ++y)
      for (int x = 0; x + 1 < o.nx; ++x)
        grid.NewFace({y * o.nx + x, y * o.nx + x + 1, (y + 1) * o.nx + x + 1, (y + 1) * o.nx + x});
    TriObject* tri = CreateNewTriObject();
    grid.OutToTri(tri->mesh);
    restMesh = tri->mesh;
    meshNode = ip->CreateObjectNode(tri, L"Strip");

    if (o.offsets) {
      Matrix3 a = RotAngleAxisMatrix(Point3(0, 0, 1), 0.35f);
      a.SetTrans(Point3(0.3f, 0.15f, 0.05f));
      boneA->SetObjectOffsetTM(a);
      Matrix3 b = RotAngleAxisMatrix(Point3(1, 0, 0), 0.5f);
      b.SetTrans(Point3(-0.2f, 0.1f, 0.0f));
      boneB->SetObjectOffsetTM(b);
      Matrix3 m = RotAngleAxisMatrix(Point3(0, 1, 0), 0.1f);
      m.SetTrans(Point3(0.1f, -0.05f, 0.1f));
      meshNode->SetObjectOffsetTM(m);
      // The strip drifts, so its transform differs between the frames.
      ip->SetAnimateMode(TRUE);
      meshNode->SetNodeTM(rest, Matrix3());
      meshNode->SetNodeTM(rest + 10 * tpf, TransMatrix(Point3(0, 0.4f, 0)));
      ip->SetAnimateMode(FALSE);
    }

    skin = static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
    InsertModifier(meshNode, skin);
    auto* import = static_cast<ISkinImportData*>(skin->GetInterface(I_SKINIMPORTDATA));
    import->AddBoneEx(boneA, FALSE);
    import->AddBoneEx(boneB, FALSE);
    AssignAll([&](const Point3& p) { return BoneWeights{{p.x < 2.0f ? boneA : boneB, 1.0f}}; });
    if (o.lift) {
      lift = new LiftModifier(0.25f);
      InsertModifier(meshNode, lift);
    }
    if (o.chained) {
      // The node's derived object goes below a new one that takes the Fernwick.
      Object* lower = meshNode->GetObjectRef();
      IDerivedObject* upper = CreateDerivedObject();
      lower->TransferReferences(upper);
      upper->ReferenceObject(lower);
    }
    if (o.withFernwick) {
      fernwick = NewFernwick();
      InsertModifier(meshNode, fernwick);
      IParamBlock2* pb = fernwick->GetParamBlock(0);
      pb->SetValue(kIter, 0, 10);        // captures the rest state at the slider
      pb->SetValue(kBoundFixed, 0, 0);   // a strip is all border
      pb->SetValue(kStartFrame, 0, o.restFrame == 0 ? 0 : o.restFrame + 2);
      pb->SetValue(kEndFrame, 0, o.restFrame + 10);
    }
    ip->SelectNode(meshNode, 1);
  }

  // Bone B's transform bent by angle about z at its joint.
  static Matrix3 Bend(float angle) {
    Matrix3 m = RotAngleAxisMatrix(Point3(0, 0, 1), angle);
    m.SetTrans(Point3(2, 0, 0));
    return m;
  }

  // Writes every vertex's pairs from its rest position.
  void AssignAll(const std::function<BoneWeights(const Point3&)>& pairs) {
    auto* import = static_cast<ISkinImportData*>(skin->GetInterface(I_SKINIMPORTDATA));
    for (int v = 0; v < restMesh.numVerts; ++v) {
      Tab<INode*> bones;
      Tab<float> w;
      for (const auto& [bone, weight] : pairs(restMesh.verts[v])) {
        bones.Append(bone);
        w.Append(weight);
      }
      import->AddWeights(meshNode, v, bones, w);
    }
  }

  ISkin* Skin() { return static_cast<ISkin*>(skin->GetInterface(I_SKIN)); }
  ISkinContextData* Context() { return Skin()->GetContextInterface(meshNode); }

  // Every vertex's (bone index, weight) pairs in the rig Skin.
  SkinPairs Weights() { return WeightsOf(skin); }
  SkinPairs WeightsOf(Modifier* skinMod) {
    ISkinContextData* c = static_cast<ISkin*>(skinMod->GetInterface(I_SKIN))->GetContextInterface(meshNode);
    SkinPairs out(c->GetNumPoints());
    for (int v = 0; v < c->GetNumPoints(); ++v)
      for (int j = 0; j < c->GetNumAssignedBones(v); ++j)
        out[v].push_back({c->GetAssignedBone(v, j), c->GetBoneWeight(v, j)});
    return out;
  }

  HWND OpenRollout() {
    ip->OpenModifyPanel(fernwick);
    return FindOpenRollout(L"Parameters");
  }

  // World positions of the node's output at time t.
  std::vector<Point3> WorldAtTime(TimeValue t) {
    Object* obj = meshNode->EvalWorldState(t).obj;
    const Mesh& m = static_cast<TriObject*>(obj)->GetMesh();
    const Matrix3 tm = meshNode->GetObjectTM(t);
    std::vector<Point3> out;
    for (const Point3& p : m.verts) out.push_back(tm.PointTransform(p));
    return out;
  }
  std::vector<Point3> WorldAt(int frame) { return WorldAtTime(frame * GetTicksPerFrame()); }

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

  // What a solve started now must write, worked out from the scene by the
  // rules rather than by the command: samples of the node's output (the
  // Fernwick is on top) at each frame with the slider there, rest positions
  // of the Skin's output at the slider with everything above it switched
  // off, bone node transforms at the slider and at each frame, bones placed
  // by their object transforms. The search itself is the solver library's.
  struct ExpectedSolve {
    int L = 0;
    std::vector<int> bones;      // [v * L + k], Skin bone indices, nearest first
    std::vector<float> weights;  // [v * L + k]
  };
  ExpectedSolve SolveByTheRules(int ticksPerFrame) {
    const TimeValue now = ip->GetTime();
    IParamBlock2* pb = fernwick->GetParamBlock(0);
    const int start = pb->GetInt(kStartFrame), end = pb->GetInt(kEndFrame);
    const int frames = end - start + 1, n = restMesh.numVerts;
    const std::vector<INode*> bones = {boneA, boneB};
    const int boneCount = static_cast<int>(bones.size());

    std::vector<std::vector<Point3>> samples;
    std::vector<Matrix3> frameTMs;
    for (int f = 0; f < frames; ++f) {
      const TimeValue t = (start + f) * ticksPerFrame;
      ip->SetTime(t);
      samples.push_back(WorldAtTime(t));
      for (INode* b : bones) frameTMs.push_back(b->GetNodeTM(t));
    }
    ip->SetTime(now);
    std::vector<Modifier*> above = {fernwick};
    if (lift) above.push_back(lift);
    for (Modifier* m : above) m->DisableMod();
    const std::vector<Point3> rest = WorldAtTime(now);
    for (Modifier* m : above) m->EnableMod();

    std::vector<Matrix3> restTMs;
    std::vector<BoneMesh> meshes(boneCount);
    std::vector<BoneGeometry> geometry(boneCount);
    std::vector<void*> nodes;
    for (int b = 0; b < boneCount; ++b) {
      restTMs.push_back(bones[b]->GetNodeTM(now));
      const Mesh& m = static_cast<TriObject*>(bones[b]->GetObjectRef())->GetMesh();
      for (const Point3& p : m.verts) meshes[b].verts.Append(p);
      for (int f = 0; f < m.numFaces; ++f) {
        BoneFace face;
        for (int j = 0; j < 3; ++j) face.v[j] = static_cast<int>(m.faces[f].v[j]);
        meshes[b].faces.Append(face);
      }
      geometry[b] = {bones[b]->GetObjectTM(now), &meshes[b]};
      nodes.push_back(bones[b]);
    }
    const std::vector<float> distances = ComputeBoneDistances(rest.data(), n, geometry.data(), boneCount);
    const CandidateBones candidates =
        SelectCandidateBones(distances.data(), n, boneCount, nodes.data(), pb->GetInt(kBoneLimit));
    ExpectedSolve out;
    out.L = candidates.candidateCount;
    out.bones = CandidateBoneIndices(candidates.candidates, out.L);

    std::vector<const Point3*> samplePtrs;
    for (const auto& s : samples) samplePtrs.push_back(s.data());
    WeightSolveInput in;
    in.vertexCount = n;
    in.boneCount = boneCount;
    in.frameCount = frames;
    in.samples = samplePtrs.data();
    in.restPositions = rest.data();
    in.restBoneTMs = restTMs.data();
    in.frameBoneTMs = frameTMs.data();
    in.candidateBones = out.bones.data();
    in.candidateCount = out.L;
    WeightSearchOptions options;
    options.solverIterations = pb->GetInt(kSolverIterations);
    options.threadCount = 1;
    const WeightSolveResult r = SolveWeights(in, ContextQuery(Context()), options);
    EXPECT_EQ(r.status, WeightSolveStatus::Solved);
    out.weights = r.weights;
    return out;
  }

  // The rig Skin holds exactly the expected pairs, zero weights included.
  void ExpectSkinHolds(const ExpectedSolve& e) {
    const int L = e.L;
    int split = 0;
    for (int v = 0; v < restMesh.numVerts; ++v) {
      ASSERT_EQ(Context()->GetNumAssignedBones(v), L) << "vertex " << v;
      for (int k = 0; k < L; ++k) {
        EXPECT_EQ(Context()->GetAssignedBone(v, k), e.bones[v * L + k]) << "vertex " << v << " slot " << k;
        EXPECT_EQ(Context()->GetBoneWeight(v, k), e.weights[v * L + k]) << "vertex " << v << " slot " << k;
        split += e.weights[v * L + k] != 0.0f && e.weights[v * L + k] != 1.0f;
      }
    }
    EXPECT_GT(split, 0) << "the expected solve should move weight somewhere";
  }

  static constexpr float kBoneHalfWidth = 0.05f;
  INode *boneA = nullptr, *boneB = nullptr, *meshNode = nullptr;
  Modifier *skin = nullptr, *fernwick = nullptr, *lift = nullptr;
  Mesh restMesh;
};
