#include <cmath>
#include <cstring>

#include "plugin_fixture.h"
#include "sdk/chunk_io.h"
#include "sdk/load_log.h"
#include "sdk/remap_dir.h"

namespace {

struct Chunk {
  USHORT id;
  std::vector<BYTE> payload;
};

std::vector<Chunk> Chunks(const std::vector<BYTE>& data) {
  MemoryLoad in(data);
  std::vector<Chunk> out;
  while (in.OpenChunk() == IO_OK) {
    Chunk c{in.CurChunkID(), std::vector<BYTE>(in.CurChunkLength())};
    ULONG n = 0;
    if (!c.payload.empty()) in.Read(c.payload.data(), static_cast<ULONG>(c.payload.size()), &n);
    out.push_back(std::move(c));
    in.CloseChunk();
  }
  return out;
}

std::vector<BYTE> Frame(const std::vector<Chunk>& chunks) {
  MemorySave out;
  ULONG n = 0;
  for (const Chunk& c : chunks) {
    out.BeginChunk(c.id);
    if (!c.payload.empty()) out.Write(c.payload.data(), static_cast<ULONG>(c.payload.size()), &n);
    out.EndChunk();
  }
  return out.Data();
}

template <typename T>
std::vector<BYTE> Bytes(const T& v) {
  const BYTE* p = reinterpret_cast<const BYTE*>(&v);
  return std::vector<BYTE>(p, p + sizeof v);
}

class PersistTest : public PluginTest {
 protected:
  std::vector<BYTE> Saved(Modifier* mod) {
    MemorySave out;
    EXPECT_EQ(mod->Save(&out), IO_OK);
    return out.Data();
  }
  // A freshly made modifier, loaded from data and put on a node with mesh.
  Modifier* Loaded(const std::vector<BYTE>& data, const Mesh& mesh, INode*& node) {
    Modifier* mod = static_cast<Modifier*>(desc->Create(TRUE));
    MemoryLoad in(data);
    EXPECT_EQ(mod->Load(&in), IO_OK);
    TriObject* tri = CreateNewTriObject();
    tri->mesh = mesh;
    node = ip->CreateObjectNode(tri);
    InsertModifier(node, mod);
    return mod;
  }
};

TEST_F(PersistTest, CubeSavesAsFiveChunksOfTheRightSizes) {
  const Mesh cube = MakeCube();
  Modifier* mod;
  NodeWithFernwick(cube, mod);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 2);
  const std::vector<Chunk> chunks = Chunks(Saved(mod));
  ASSERT_EQ(chunks.size(), 5u);
  const size_t sizes[] = {4, 4, 96, 240, 4};
  for (USHORT i = 0; i < 5; ++i) {
    EXPECT_EQ(chunks[i].id, i);
    EXPECT_EQ(chunks[i].payload.size(), sizes[i]);
  }
  EXPECT_EQ(chunks[0].payload, Bytes(8));
  EXPECT_EQ(chunks[1].payload, Bytes(12));
  EXPECT_EQ(std::memcmp(chunks[3].payload.data(), cube.faces.data(), 240), 0);  // flags included
  EXPECT_EQ(chunks[4].payload, Bytes(0));
}

TEST_F(PersistTest, LoadedModifierDeformsLikeTheSavedOne) {
  const Mesh rest = MakeTorus(10, 8);
  Modifier* mod;
  INode* a = NodeWithFernwick(rest, mod);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 1);
  const std::vector<BYTE> data = Saved(mod);
  INode* b;
  Modifier* loaded = Loaded(data, rest, b);
  const std::vector<Point3> bent = BentPositions(rest.verts);
  Pose(a, bent);
  Pose(b, bent);
  EXPECT_EQ(Evaluated(b), Evaluated(a));
  EXPECT_EQ(Saved(loaded), data);
}

TEST_F(PersistTest, ProxyFlagAndEmptyData) {
  // Chunk 4 holding 5 reads as true; no chunks at all load an empty rest mesh.
  std::vector<Chunk> chunks = {{0, Bytes(0)}, {1, Bytes(0)}, {2, {}}, {3, {}}, {4, Bytes(5)}};
  INode* node;
  Modifier* mod = Loaded(Frame(chunks), MakeCube(), node);
  EXPECT_EQ(Chunks(Saved(mod))[4].payload, Bytes(1));

  Modifier* empty = Loaded({}, MakeCube(), node);
  const std::vector<Chunk> saved = Chunks(Saved(empty));
  EXPECT_EQ(saved[0].payload, Bytes(0));
  EXPECT_EQ(saved[4].payload, Bytes(0));
  // An empty rest mesh matches nothing and never captures by itself.
  empty->GetParamBlock(0)->SetValue(kIter, 0, 3);
  EXPECT_EQ(Evaluated(node), MakeCube().verts);
}

TEST_F(PersistTest, DamagedDataLoadsAsAnEmptyRestMesh) {
  const Mesh cube = MakeCube();
  Modifier* mod;
  NodeWithFernwick(cube, mod);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 2);
  const std::vector<Chunk> good = Chunks(Saved(mod));

  std::vector<std::vector<Chunk>> damaged;
  damaged.push_back(good);
  damaged.back()[0].payload = Bytes(1 << 30);  // more vertices than the data holds
  damaged.push_back(good);
  damaged.back()[0].payload = Bytes(-5);
  damaged.push_back(good);
  damaged.back()[3].payload[0] = 200;  // a face names vertex 200 of 8
  damaged.push_back(good);
  damaged.back()[2].payload.resize(50);  // truncated positions
  damaged.push_back(good);
  const float nan = std::nanf("");
  std::memcpy(damaged.back()[2].payload.data() + 4, &nan, 4);
  for (size_t k = 0; k < damaged.size(); ++k) {
    INode* node;
    ClearLoadLog();
    Modifier* loaded = Loaded(Frame(damaged[k]), cube, node);
    EXPECT_EQ(Chunks(Saved(loaded))[0].payload, Bytes(0)) << "case " << k;
    ASSERT_EQ(LoadLog().size(), 1u) << "case " << k;
    EXPECT_NE(LoadLog()[0].find(L"rest state is damaged"), MSTR::npos);
    Pose(node, BentPositions(cube.verts));
    EXPECT_EQ(Evaluated(node), BentPositions(cube.verts)) << "case " << k;
  }
}

TEST_F(PersistTest, ShortProxyChunkIsDamageNotACreatedProxy) {
  // A flag chunk too short to read leaves proxyCreated false, as a missing one
  // does, and the load log says so; the rest mesh still loads.
  const Mesh cube = MakeCube();
  Modifier* mod;
  NodeWithFernwick(cube, mod);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 2);
  std::vector<Chunk> chunks = Chunks(Saved(mod));
  for (const std::vector<BYTE>& flag : {std::vector<BYTE>{}, std::vector<BYTE>{1, 0}}) {
    chunks[4].payload = flag;
    ClearLoadLog();
    INode* node;
    Modifier* loaded = Loaded(Frame(chunks), cube, node);
    const std::vector<Chunk> saved = Chunks(Saved(loaded));
    EXPECT_EQ(saved[4].payload, Bytes(0));
    EXPECT_EQ(saved[0].payload, Bytes(8));
    ASSERT_EQ(LoadLog().size(), 1u);
    EXPECT_NE(LoadLog()[0].find(L"proxy state is damaged"), MSTR::npos);
  }
  chunks.pop_back();
  ClearLoadLog();
  INode* node;
  EXPECT_EQ(Chunks(Saved(Loaded(Frame(chunks), cube, node)))[4].payload, Bytes(0));
  EXPECT_TRUE(LoadLog().empty());
}

TEST_F(PersistTest, CloneDeformsAlikeAndKeepsItsOwnParameters) {
  const Mesh rest = MakeTorus(10, 8);
  Modifier* mod;
  INode* a = NodeWithFernwick(rest, mod);
  mod->GetParamBlock(0)->SetValue(kIter, 0, 4);
  RemapDir remap;
  Modifier* copy = static_cast<Modifier*>(mod->Clone(remap));
  ASSERT_NE(copy, nullptr);
  ASSERT_NE(copy->GetParamBlock(0), mod->GetParamBlock(0));
  EXPECT_EQ(copy->GetParamBlock(0)->GetInt(kIter), 4);
  TriObject* tri = CreateNewTriObject();
  tri->mesh = rest;
  INode* b = ip->CreateObjectNode(tri);
  InsertModifier(b, copy);
  const std::vector<Point3> bent = BentPositions(rest.verts);
  Pose(a, bent);
  Pose(b, bent);
  EXPECT_EQ(Evaluated(b), Evaluated(a));
  copy->GetParamBlock(0)->SetValue(kIter, 0, 9);
  EXPECT_EQ(mod->GetParamBlock(0)->GetInt(kIter), 4);

  Modifier* fresh = NewFernwick();
  Modifier* freshCopy = static_cast<Modifier*>(fresh->Clone(remap));
  EXPECT_EQ(Chunks(Saved(freshCopy))[0].payload, Bytes(0));
  fresh->DeleteMe();
  freshCopy->DeleteMe();
}

}  // namespace
