#include "atomic_write.h"
#include "scene_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

#include "chunk_io.h"
#include "class_desc.h"
#include "param_block.h"
#include "plugin_manager.h"
#include "poly_object.h"
#include "sdk_test_support.h"
#include "skin_modifier.h"
#include "spline_shape.h"
#include "tests/support/temp_dir.h"

namespace {

// A modifier class the scene files can recreate: a block ("amount" animatable,
// "count"), a node reference like a skin's bone, and data of its own. It
// records what it saw when it loaded.
class ProbeDesc : public ClassDesc2 {
 public:
  int IsPublic() override { return TRUE; }
  void* Create(BOOL loading) override;
  const MCHAR* ClassName() override { return L"Probe"; }
  SClass_ID SuperClassID() override { return OSM_CLASS_ID; }
  Class_ID ClassID() override { return Class_ID(0x5CE7E, 1); }
  const MCHAR* Category() override { return L""; }
};

ProbeDesc probeDesc;
enum : ParamID { kAmount = 0, kCount = 1 };
ParamBlockDesc2 probeParams(0, L"params", 0, &probeDesc, P_AUTO_CONSTRUCT, 0,
                            kAmount, L"amount", TYPE_FLOAT, P_ANIMATABLE, 0, p_default, 0.5, p_end,
                            kCount, L"count", TYPE_INT, 0, 0, p_default, 1, p_end,
                            p_end);

class ProbeMod : public Modifier {
 public:
  ProbeMod() { probeDesc.MakeAutoParamBlocks(this); }
  Class_ID ClassID() override { return probeDesc.ClassID(); }
  const MCHAR* GetObjectName() override { return L"Probe"; }
  // Moves every vertex by amount in x.
  void ModifyObject(TimeValue t, ModContext&, ObjectState* os, INode*) override {
    const float dx = pblock->GetFloat(kAmount, t);
    if (os->obj->IsSubClassOf(polyObjectClassID)) {
      MNMesh& mm = static_cast<PolyObject*>(os->obj)->GetMesh();
      for (MNVert& v : mm.v) v.p.x += dx;
    }
  }
  int NumRefs() override { return 2; }
  RefTargetHandle GetReference(int i) override { return i == 0 ? static_cast<RefTargetHandle>(pblock) : i == 1 ? bone : nullptr; }
  void SetReference(int i, RefTargetHandle r) override {
    if (i == 0) pblock = static_cast<IParamBlock2*>(r);
    if (i == 1) bone = dynamic_cast<INode*>(r);
  }
  IOResult Save(ISave* isave) override {
    ULONG n = 0;
    isave->BeginChunk(7);
    isave->Write(&tag, sizeof tag, &n);
    isave->EndChunk();
    return IO_OK;
  }
  IOResult Load(ILoad* iload) override {
    ULONG n = 0;
    while (iload->OpenChunk() == IO_OK) {
      if (iload->CurChunkID() == 7) iload->Read(&tag, sizeof tag, &n);
      iload->CloseChunk();
    }
    countAtLoad = pblock ? pblock->GetInt(kCount) : -1;
    boneAtLoad = bone;
    return failLoad ? IO_ERROR : IO_OK;
  }
  IParamBlock2* pblock = nullptr;
  INode* bone = nullptr;
  int tag = 0;
  int countAtLoad = -2;
  INode* boneAtLoad = nullptr;
  static inline bool failLoad = false;
};

void* ProbeDesc::Create(BOOL) { return new ProbeMod; }

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class SceneFileTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    RegisterClassDesc(&probeDesc);
    ProbeMod::failLoad = false;
  }
  void TearDown() override {
    UnregisterClassDesc(&probeDesc);
    SceneTest::TearDown();
  }
  static ProbeMod* Probe(INode* node, int outerIndex) {
    return static_cast<ProbeMod*>(static_cast<IDerivedObject*>(node->GetObjectRef())->GetModifier(outerIndex));
  }
  static void ExpectSameTM(const Matrix3& a, const Matrix3& b) {
    for (int r = 0; r < 4; ++r) EXPECT_P3_NEAR(a.GetRow(r), b.GetRow(r), 1e-5f);
  }
};

// Hips (handle 1) > Spine (3) > Tip (4); handle 2 was deleted. Hips holds a
// coloured, selected triangle mesh; Spine a polygon mesh under two stacks,
// the inner modifier disabled and renamed, the outer one keyed and pointing
// at Tip; Tip is hidden and holds a shape.
class RoundTripTest : public SceneFileTest {
 protected:
  void SetUp() override {
    SceneFileTest::SetUp();
    TriObject* tri = CreateNewTriObject();
    Mesh& m = tri->mesh;
    m.setNumVerts(3);
    m.verts = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.setNumFaces(1);
    m.faces[0].setVerts(0, 1, 2);
    m.faces[0].smGroup = 0x4;
    m.faces[0].flags = EDGE_A | EDGE_C | (7u << 16);
    m.setNumVertCol(2);
    m.vertCol = {{1, 0, 0}, {0, 0.5f, 1}};
    m.vcFace[0].t[0] = 1;
    m.vcFace[0].t[2] = 1;
    m.selLevel = MESH_VERTEX;
    m.vertSel.Set(0);
    m.vertSel.Set(2);
    m.setVDataSupport(VDATA_SELECT);
    m.vertexFloat(VDATA_SELECT)[1] = 0.25f;
    hips = ip->CreateObjectNode(tri, L"Hips");
    hips->SetWireColor(0x00FF8000);
    hips->PositionTrack().SetKey(960, {10, 0, 0});  // and (0,0,0) at 0
    hips->RotationTrack().SetKey(480, QFromAngAxis(0.5f, {0, 0, 1}));
    hips->ScaleTrack().SetValue({2, 2, 2});

    ip->DeleteNode(ip->CreateObjectNode(nullptr, L"Gone"));

    auto* poly = new PolyObject;
    poly->mm.setNumVerts(4);
    for (int i = 0; i < 4; ++i) poly->mm.P(i) = Point3(float(i), 1, 0);
    poly->mm.v[3].flags = MN_SEL;
    poly->mm.NewFace({0, 1, 2, 3});
    poly->mm.SetMapNum(1);
    MNMap& map = *poly->mm.M(0);
    map.numv = 1;
    map.v = {{0.2f, 0.4f, 0.6f}};
    map.f.push_back({{0, 0, 0, 0}, 4});
    poly->mm.selLevel = MNM_SL_VERTEX;
    IDerivedObject* inner = CreateDerivedObject(poly);
    low = new ProbeMod;
    low->DisableMod();
    low->SetName(L"Probe low");
    inner->AddModifier(low);
    IDerivedObject* outer = CreateDerivedObject(inner);
    high = new ProbeMod;
    high->tag = 42;
    outer->AddModifier(high, nullptr, 0);
    auto* mc = outer->GetModContext(0);
    mc->tm = new Matrix3;
    mc->tm->SetTrans({0, 0, 5});
    spine = ip->CreateObjectNode(outer, L"Spine");
    hips->AttachChild(spine, 0);
    spine->PositionTrack().SetValue({0, 3, 0});

    auto* shape = new SplineShape;
    shape->knots = {{0, 0, 0}, {0, 0, 2}};
    tip = ip->CreateObjectNode(shape, L"Tip");
    spine->AttachChild(tip, 0);
    tip->Hide(TRUE);
    tip->PositionTrack().SetKey(160, {0, 1, 0});
    tip->PositionTrack().SetKey(4000, {0, 2, 0});
    high->ReplaceReference(1, tip);

    ip->SetAnimateMode(TRUE);
    high->pblock->SetValue(kAmount, 0, 1.0f);
    high->pblock->SetValue(kAmount, 1600, 3.0f);
    ip->SetAnimateMode(FALSE);
    high->pblock->SetValue(kCount, 0, 7);

    ip->SelectNode(tip);
    ip->SelectNode(hips, 0);
    ip->SetFrameRate(25);
    ip->SetAnimRange(Interval(160, 8000));
    ip->SetTime(720);
  }
  INode* hips = nullptr;
  INode* spine = nullptr;
  INode* tip = nullptr;
  ProbeMod* low = nullptr;
  ProbeMod* high = nullptr;
};

TEST_F(RoundTripTest, NodesHierarchyTracksAndSceneState) {
  const Matrix3 tipBetweenKeys = tip->GetNodeTM(1234);
  const Matrix3 hipsBetweenKeys = hips->GetNodeTM(700);
  const TempDir scratch;
  const std::string dir = scratch.path.string();
  const std::string path = dir + "/scene.fws";
  std::string error;
  ASSERT_TRUE(SaveScene(path, error)) << error;
  ip->ResetScene();
  ASSERT_TRUE(LoadScene(path, error)) << error;

  std::vector<INode*> all;
  ip->EnumNodes(all);
  ASSERT_EQ(all.size(), 3u);
  INode* h = all[0];
  INode* s = all[1];
  INode* t = all[2];
  EXPECT_STREQ(h->GetName(), L"Hips");
  EXPECT_STREQ(s->GetName(), L"Spine");
  EXPECT_STREQ(t->GetName(), L"Tip");
  EXPECT_EQ(h->GetHandle(), 1u);
  EXPECT_EQ(s->GetHandle(), 3u);
  EXPECT_EQ(t->GetHandle(), 4u);
  EXPECT_EQ(h->GetParentNode(), ip->GetRootNode());
  EXPECT_EQ(s->GetParentNode(), h);
  EXPECT_EQ(t->GetParentNode(), s);
  EXPECT_EQ(ip->GetINodeByHandle(3), s);
  EXPECT_EQ(h->GetWireColor(), 0x00FF8000u);
  EXPECT_FALSE(h->IsHidden());
  EXPECT_TRUE(t->IsHidden());

  // Keys at their times, the key set at 0 by animating included.
  ASSERT_EQ(h->PositionTrack().NumKeys(), 2);
  EXPECT_EQ(h->PositionTrack().GetKey(0).time, 0);
  EXPECT_EQ(h->PositionTrack().GetKey(1).time, 960);
  EXPECT_EQ(h->PositionTrack().GetKey(1).value, Point3(10, 0, 0));
  ASSERT_EQ(h->RotationTrack().NumKeys(), 2);
  EXPECT_EQ(h->RotationTrack().GetKey(1).value, QFromAngAxis(0.5f, {0, 0, 1}));
  EXPECT_FALSE(h->ScaleTrack().IsAnimated());
  EXPECT_EQ(h->ScaleTrack().Value(), Point3(2, 2, 2));
  ASSERT_EQ(t->PositionTrack().NumKeys(), 3);  // 0, 160, 4000
  EXPECT_EQ(t->PositionTrack().GetKey(1).time, 160);
  EXPECT_EQ(t->PositionTrack().GetKey(2).value, Point3(0, 2, 0));
  ExpectSameTM(t->GetNodeTM(1234), tipBetweenKeys);
  ExpectSameTM(h->GetNodeTM(700), hipsBetweenKeys);
  // Hand-worked: at 2080, halfway from 160 to 4000, Tip sits at y 1.5 in
  // Spine, which sits at y 3 in Hips; Hips scales by 2 and turns 0.5 about z.
  EXPECT_NEAR(t->GetNodeTM(2080).GetTrans().y, 9 * std::cos(0.5f), 1e-4f);
  EXPECT_NEAR(t->GetNodeTM(2080).GetTrans().z, 0.0f, 1e-5f);

  ASSERT_EQ(ip->GetSelNodeCount(), 2);
  EXPECT_EQ(ip->GetSelNode(0), t);
  EXPECT_EQ(ip->GetSelNode(1), h);
  EXPECT_EQ(ip->GetTime(), 720);
  EXPECT_EQ(ip->GetAnimRange(), Interval(160, 8000));
  EXPECT_EQ(ip->GetFrameRate(), 25);
  EXPECT_EQ(ip->CreateObjectNode(nullptr)->GetHandle(), 5u) << "new handles follow the loaded ones";
}

TEST_F(RoundTripTest, MeshesStacksAndParameterBlocks) {
  std::string bytes, error;
  ASSERT_TRUE(SaveSceneToBytes(bytes, error)) << error;
  ASSERT_TRUE(LoadSceneFromBytes(bytes, error)) << error;
  INode* h = ip->GetINodeByName(L"Hips");
  INode* s = ip->GetINodeByName(L"Spine");
  ASSERT_TRUE(h && s);
  ASSERT_NE(h, hips) << "the scene was replaced";

  const Mesh& m = static_cast<TriObject*>(h->GetObjectRef())->mesh;
  ASSERT_EQ(m.numVerts, 3);
  EXPECT_EQ(m.verts[2], Point3(0, 1, 0));
  ASSERT_EQ(m.numFaces, 1);
  EXPECT_EQ(m.faces[0].v[1], 1u);
  EXPECT_EQ(m.faces[0].smGroup, 0x4u);
  EXPECT_EQ(m.faces[0].flags, EDGE_A | EDGE_C | (7u << 16));
  ASSERT_EQ(m.numCVerts, 2);
  EXPECT_EQ(m.vertCol[1], Point3(0, 0.5f, 1));
  EXPECT_EQ(m.vcFace[0].t[0], 1u);
  EXPECT_EQ(m.vcFace[0].t[1], 0u);
  EXPECT_EQ(m.selLevel, MESH_VERTEX);
  ASSERT_EQ(m.vertSel.GetSize(), 3);
  EXPECT_TRUE(m.vertSel[0] && !m.vertSel[1] && m.vertSel[2]);
  ASSERT_TRUE(m.vDataSupport(VDATA_SELECT));
  EXPECT_EQ(m.vertexFloat(VDATA_SELECT)[1], 0.25f);

  // Chain: outer stack (high) over inner stack (low, disabled) over the poly.
  auto* outer = static_cast<IDerivedObject*>(s->GetObjectRef());
  ASSERT_EQ(outer->NumModifiers(), 1);
  ASSERT_EQ(outer->GetObjRef()->SuperClassID(), GEN_DERIVOB_CLASS_ID);
  auto* inner = static_cast<IDerivedObject*>(outer->GetObjRef());
  ASSERT_EQ(inner->NumModifiers(), 1);
  auto* hi = static_cast<ProbeMod*>(outer->GetModifier(0));
  auto* lo = static_cast<ProbeMod*>(inner->GetModifier(0));
  EXPECT_TRUE(hi->IsEnabled());
  EXPECT_FALSE(lo->IsEnabled());
  EXPECT_EQ(hi->GetName(), L"Probe");
  EXPECT_EQ(lo->GetName(), L"Probe low");
  ASSERT_NE(outer->GetModContext(0)->tm, nullptr);
  EXPECT_EQ(outer->GetModContext(0)->tm->GetTrans(), Point3(0, 0, 5));
  EXPECT_EQ(inner->GetModContext(0)->tm, nullptr);
  auto* poly = static_cast<PolyObject*>(inner->GetObjRef());
  ASSERT_EQ(poly->mm.numv, 4);
  EXPECT_EQ(poly->mm.v[3].flags, MN_SEL);
  ASSERT_EQ(poly->mm.numf, 1);
  EXPECT_EQ(poly->mm.f[0].vtx, (std::vector<int>{0, 1, 2, 3}));
  ASSERT_EQ(poly->mm.MNum(), 1);
  EXPECT_EQ(poly->mm.M(0)->v[0], Point3(0.2f, 0.4f, 0.6f));
  EXPECT_EQ(poly->mm.M(0)->f[0].deg, 4);
  EXPECT_EQ(poly->mm.selLevel, MNM_SL_VERTEX);
  auto* shape = static_cast<SplineShape*>(ip->GetINodeByName(L"Tip")->GetObjectRef());
  EXPECT_EQ(shape->knots, (std::vector<Point3>{{0, 0, 0}, {0, 0, 2}}));

  // The loaded block replaced the constructor's, and the modifier loaded
  // after its block and its bone were in place.
  const KeyTrack<double>& amount = *hi->pblock->GetTrack(kAmount);
  ASSERT_EQ(amount.NumKeys(), 2);
  EXPECT_EQ(amount.GetKey(1).time, 1600);
  EXPECT_EQ(amount.GetKey(1).value, 3.0);
  EXPECT_FLOAT_EQ(hi->pblock->GetFloat(kAmount, 800), 2.0f);
  EXPECT_EQ(hi->pblock->GetInt(kCount), 7);
  EXPECT_EQ(hi->pblock->GetOwner(), hi);
  EXPECT_EQ(lo->pblock->GetInt(kCount), 1);
  EXPECT_EQ(hi->countAtLoad, 7);
  EXPECT_EQ(hi->tag, 42);
  EXPECT_EQ(hi->bone, ip->GetINodeByName(L"Tip"));
  EXPECT_EQ(hi->boneAtLoad, hi->bone);
  EXPECT_EQ(lo->bone, nullptr);

  // Base x 0..3, the disabled modifier skipped, then +2 at frame 800.
  const MNMesh& out = static_cast<PolyObject*>(s->EvalWorldState(800).obj)->GetMesh();
  EXPECT_FLOAT_EQ(out.P(3).x, 5.0f);

  // Saving the loaded scene gives the same bytes.
  std::string again;
  ASSERT_TRUE(SaveSceneToBytes(again, error)) << error;
  EXPECT_EQ(again, bytes);
}

// One node "Box" holding vertices (1,2,3) (4,5,6) (7,8,9) and face 0 1 2.
// Offsets follow the documented layout: header 12, scene chunk 6 + 20,
// objects chunk header at 38, object count at 44, the first object chunk at
// 48 (length at 50), its first slot at 70, its node chunk at 74, the name
// length at 80.
class DamagedFileTest : public SceneFileTest {
 protected:
  void SetUp() override {
    SceneFileTest::SetUp();
    TriObject* tri = CreateNewTriObject();
    tri->mesh.setNumVerts(3);
    tri->mesh.verts = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    tri->mesh.setNumFaces(1);
    tri->mesh.faces[0].setVerts(0, 1, 2);
    ip->CreateObjectNode(tri, L"Box");
    std::string error;
    ASSERT_TRUE(SaveSceneToBytes(good, error)) << error;
    // The scene now differs from the file, so a partial load would show.
    ip->ResetScene();
    current = ip->CreateObjectNode(OneVertexTri({5, 5, 5}), L"Current");
    ip->SetTime(99);
  }
  size_t Find(const std::vector<float>& floats) const {
    const std::string pattern(reinterpret_cast<const char*>(floats.data()), floats.size() * 4);
    return good.find(pattern);
  }
  void ExpectUnchanged(const std::string& label) {
    std::vector<INode*> all;
    ip->EnumNodes(all);
    ASSERT_EQ(all.size(), 1u) << label;
    EXPECT_EQ(all[0], current) << label;
    EXPECT_STREQ(current->GetName(), L"Current") << label;
    EXPECT_EQ(FirstVertex(current->EvalWorldState(0)), Point3(5, 5, 5)) << label;
    EXPECT_EQ(ip->GetTime(), 99) << label;
  }
  std::string good;
  INode* current = nullptr;
};

void PutU32(std::string& b, size_t at, ULONG v) { std::memcpy(&b[at], &v, 4); }

TEST_F(DamagedFileTest, EachDamageIsNamedAndTheSceneStays) {
  const size_t lastVertex = Find({7, 8, 9});
  ASSERT_NE(lastVertex, std::string::npos);
  const size_t face = lastVertex + 12 + 4;  // after the face count
  ULONG objectsLen = 0;
  std::memcpy(&objectsLen, good.data() + 40, 4);
  const size_t rootsChunk = 44 + objectsLen;
  struct Case {
    const char* name;
    std::function<void(std::string&)> damage;
    const char* prefix;
  };
  const float nan = std::nanf("");
  const Case cases[] = {
      {"bad magic", [](std::string& b) { b[0] = 'X'; }, "not a scene file"},
      {"shorter than the header", [](std::string& b) { b.resize(7); }, "not a scene file"},
      {"later version", [](std::string& b) { PutU32(b, 8, 2); }, "unsupported scene file version 2"},
      {"cut in half", [](std::string& b) { b.resize(b.size() / 2); }, "truncated file"},
      {"cut before the root list", [&](std::string& b) { b.resize(rootsChunk); }, "missing chunk: no root list"},
      {"object longer than the table", [](std::string& b) { PutU32(b, 50, 0x7FFFFFF0); }, "chunk length past the end"},
      {"absurd object count", [](std::string& b) { PutU32(b, 44, 0x40000000); }, "count past the data"},
      {"absurd name length", [](std::string& b) { PutU32(b, 80, 0xFFFFFF00); }, "count past the data"},
      {"slot names object 1000", [](std::string& b) { PutU32(b, 70, 1000); }, "reference id out of range"},
      {"node references a node", [](std::string& b) { PutU32(b, 70, 0); }, "reference refused"},
      {"face names vertex 3 of 3", [&](std::string& b) { PutU32(b, face + 8, 3); }, "face vertex index out of range"},
      {"vertex is not a number",
       [&](std::string& b) { std::memcpy(&b[lastVertex], &nan, 4); }, "non-finite value"},
      {"root names the mesh", [&](std::string& b) { PutU32(b, rootsChunk + 10, 1); }, "bad hierarchy"},
      {"node under no parent", [&](std::string& b) { PutU32(b, rootsChunk + 6, 0); }, "bad hierarchy"},
      {"zero handle", [](std::string& b) { PutU32(b, 80 + 4 + 3, 0); }, "bad node handle"},
  };
  for (const Case& c : cases) {
    std::string bytes = good;
    c.damage(bytes);
    std::string error;
    EXPECT_FALSE(LoadSceneFromBytes(bytes, error)) << c.name;
    EXPECT_EQ(error.rfind(c.prefix, 0), 0u) << c.name << ": " << error;
    ExpectUnchanged(c.name);
  }
  std::string error;
  EXPECT_FALSE(LoadScene("/nonexistent/scene.fws", error));
  EXPECT_EQ(error.rfind("cannot open scene file /nonexistent/scene.fws", 0), 0u) << error;
  // The undamaged bytes do load.
  ASSERT_TRUE(LoadSceneFromBytes(good, error)) << error;
  EXPECT_NE(ip->GetINodeByName(L"Box"), nullptr);
}

TEST_F(SceneFileTest, UnknownClassOrFailedLoadLeavesTheSceneAsItWas) {
  INode* node = ip->CreateObjectNode(CreateDerivedObject(OneVertexTri({1, 1, 1})), L"Probed");
  auto* probe = new ProbeMod;
  static_cast<IDerivedObject*>(node->GetObjectRef())->AddModifier(probe);
  probe->ReplaceReference(1, node);  // a reference cycle through the node
  std::string bytes, error;
  ASSERT_TRUE(SaveSceneToBytes(bytes, error)) << error;
  const TempDir scratch;
  const std::string dir = scratch.path.string();
  const std::string path = dir + "/probe.fws";
  ASSERT_TRUE(SaveScene(path, error)) << error;
  node->SetName(L"Before");

  UnregisterClassDesc(&probeDesc);
  EXPECT_FALSE(LoadSceneFromBytes(bytes, error));
  EXPECT_EQ(error.rfind("unknown class: object ", 0), 0u) << error;
  EXPECT_NE(error.find("class id (0x0005CE7E, 0x00000001)"), std::string::npos) << error;
  EXPECT_EQ(ip->GetINodeByName(L"Before"), node);
  // The summary still reads, and says which class is missing.
  SceneSummary summary;
  ASSERT_TRUE(ReadSceneSummary(path, summary, error)) << error;
  ASSERT_EQ(summary.nodes.size(), 1u);
  EXPECT_EQ(summary.nodes[0].name, L"Probed");
  EXPECT_EQ(summary.nodes[0].parent, -1);
  int unknown = 0;
  for (const auto& o : summary.objects) unknown += o.classKnown ? 0 : 1;
  EXPECT_EQ(unknown, 2) << "the modifier and its block";
  RegisterClassDesc(&probeDesc);

  // A modifier whose own data fails to load: everything made is undone.
  ProbeMod::failLoad = true;
  EXPECT_FALSE(LoadSceneFromBytes(bytes, error));
  EXPECT_EQ(error.rfind("cannot load object ", 0), 0u) << error;
  EXPECT_EQ(ip->GetINodeByName(L"Before"), node);
  ProbeMod::failLoad = false;

  // The modifier's block slot pointed at the mesh: refused, not cast.
  // Objects: 0 node, 1 stack, 2 mesh, 3 modifier, 4 block.
  const ULONG probeHead[] = {OSM_CLASS_ID, 0x5CE7E, 1, 2, 4, 0};
  std::string damaged = bytes;
  const size_t at = damaged.find(std::string(reinterpret_cast<const char*>(probeHead), sizeof probeHead));
  ASSERT_NE(at, std::string::npos);
  const ULONG mesh = 2;
  std::memcpy(&damaged[at + 16], &mesh, 4);
  EXPECT_FALSE(LoadSceneFromBytes(damaged, error));
  EXPECT_EQ(error.rfind("reference refused: object 3 (", 0), 0u) << error;
  EXPECT_EQ(ip->GetINodeByName(L"Before"), node);

  ASSERT_TRUE(LoadScene(path, error)) << error;
  INode* loaded = ip->GetINodeByName(L"Probed");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(Probe(loaded, 0)->bone, loaded);
}

// The Skin's bones are reference slots that only exist once its data has
// loaded; the loader fills them after its Load.
TEST_F(SceneFileTest, SkinBonesAreWiredAfterTheSkinLoads) {
  INode* b1 = ip->CreateObjectNode(nullptr, L"Bone1");
  INode* b2 = ip->CreateObjectNode(nullptr, L"Bone2");
  TriObject* tri = CreateNewTriObject();
  tri->mesh.setNumVerts(2);
  tri->mesh.verts = {{0, 0, 0}, {2, 0, 0}};
  INode* body = ip->CreateObjectNode(CreateDerivedObject(tri), L"Body");
  auto* skin = static_cast<SkinMod*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
  ASSERT_NE(skin, nullptr);
  static_cast<IDerivedObject*>(body->GetObjectRef())->AddModifier(skin);
  ASSERT_TRUE(skin->AddBoneEx(b1, FALSE) && skin->AddBoneEx(b2, FALSE));
  Tab<INode*> bones;
  Tab<float> weights;
  bones.Append(b1);
  weights.Append(1.0f);
  ASSERT_TRUE(skin->AddWeights(body, 0, bones, weights));
  bones.Append(b2);
  weights[0] = 0.5f;
  weights.Append(0.5f);
  ASSERT_TRUE(skin->AddWeights(body, 1, bones, weights));
  body->EvalWorldState(0);  // binds the skinned node
  b2->PositionTrack().SetKey(4800, {0, 4, 0});
  // Vertex 1 follows Bone2 by half: (2, 1, 0) at 2400.
  EXPECT_P3_NEAR(static_cast<TriObject*>(body->EvalWorldState(2400).obj)->mesh.verts[1], Point3(2, 1, 0), 1e-5f);

  std::string bytes, error;
  ASSERT_TRUE(SaveSceneToBytes(bytes, error)) << error;
  ASSERT_TRUE(LoadSceneFromBytes(bytes, error)) << error;
  INode* lbody = ip->GetINodeByName(L"Body");
  ASSERT_NE(lbody, nullptr);
  auto* lskin = static_cast<SkinMod*>(static_cast<IDerivedObject*>(lbody->GetObjectRef())->GetModifier(0));
  ASSERT_EQ(lskin->GetNumBones(), 2);
  EXPECT_EQ(lskin->GetBone(0), ip->GetINodeByName(L"Bone1"));
  EXPECT_EQ(lskin->GetBone(1), ip->GetINodeByName(L"Bone2"));
  EXPECT_P3_NEAR(static_cast<TriObject*>(lbody->EvalWorldState(2400).obj)->mesh.verts[1], Point3(2, 1, 0), 1e-5f);
}

TEST_F(SceneFileTest, FailedSavesLeaveThePreviousFileIntact) {
  ip->CreateObjectNode(OneVertexTri({1, 2, 3}), L"First");
  const TempDir scratch;
  const std::string dir = scratch.path.string();
  const std::string path = dir + "/scene.fws";
  std::string error;
  ASSERT_TRUE(SaveScene(path, error)) << error;
  const std::string before = ReadAll(path);
  ASSERT_GT(before.size(), 12u);
  EXPECT_EQ(before.substr(0, 8), std::string("FWSCENE\x1A", 8));
  ip->CreateObjectNode(OneVertexTri({4, 5, 6}), L"Second");

  // The disk fills up while the new file is written.
  SetAtomicWriteFaultForTesting([](size_t, size_t) { return false; });
  EXPECT_FALSE(SaveScene(path, error));
  SetAtomicWriteFaultForTesting({});
  EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
  EXPECT_EQ(ReadAll(path), before);

  EXPECT_FALSE(SaveScene(dir + "/missing/scene.fws", error));
  EXPECT_NE(error.find("cannot create"), std::string::npos) << error;

  // An object no class descriptor can recreate is refused before writing.
  INode* n = ip->CreateObjectNode(CreateDerivedObject(OneVertexTri({0, 0, 0})));
  static_cast<IDerivedObject*>(n->GetObjectRef())->AddModifier(new TranslateMod({1, 0, 0}));
  EXPECT_FALSE(SaveScene(path, error));
  EXPECT_EQ(error.rfind("cannot save object ", 0), 0u) << error;
  EXPECT_EQ(ReadAll(path), before);

}

}  // namespace
