#include "cli/files/solve_inputs_dump.h"

#include <cstring>

#include "cli/commands/bone_limit.h"
#include "cli/files/atomic_file.h"
#include "frame/fernwick_ids.h"
#include "host/skin_access.h"
#include "sdk/chunk_io.h"
#include "sdk/interface.h"
#include "sdk/param_block.h"
#include "solver/candidate_bones.h"
#include "solver/command/solve_gather.h"
#include "tools/node_ops.h"

namespace {

template <typename T>
void Put(std::string& out, const T& v) {
  out.append(reinterpret_cast<const char*>(&v), sizeof v);
}
void PutMatrix(std::string& out, const Matrix3& m) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c) Put(out, m.GetRow(r)[c]);
}

// The rest mesh's faces, from the modifier's own saved data.
std::vector<Face> RestFaces(Modifier* mod, int& verts) {
  MemorySave save;
  mod->Save(&save);
  MemoryLoad load(save.Data());
  std::vector<Face> faces;
  verts = 0;
  ULONG n = 0;
  while (load.OpenChunk() == IO_OK) {
    if (load.CurChunkID() == 0) load.Read(&verts, 4, &n);
    if (load.CurChunkID() == 3) {
      faces.resize(load.CurChunkLength() / sizeof(Face));
      if (!faces.empty()) load.Read(faces.data(), static_cast<ULONG>(faces.size() * sizeof(Face)), &n);
    }
    load.CloseChunk();
  }
  return faces;
}

}  // namespace

bool DumpSolveInputs(INode* node, Modifier* fernwick, const std::string& path, std::string& error) {
  Interface* ip = GetCOREInterface();
  SkinAccess skin;
  if (!FindSkin(node, skin)) {
    error = "the node has no Skin modifier";
    return false;
  }
  int position = -1;
  FindModifierByClass(node, FERNWICK_CLASS_ID, &position);
  int V = 0;
  const std::vector<Face> faces = RestFaces(fernwick, V);
  if (V <= 0) {
    error = "the Fernwick modifier has no rest state";
    return false;
  }
  IParamBlock2* pb = fernwick->GetParamBlock(0);
  const TimeValue now = ip->GetTime();
  const int start = pb->GetInt(pb_startFrame, now), end = pb->GetInt(pb_endFrame, now);
  if (end < start) {
    error = "the end frame lies before the start frame";
    return false;
  }
  const int tpf = TIME_TICKSPERSEC / ip->GetFrameRate();
  const std::vector<std::vector<Point3>> samples = CollectPoseSamples(node, position, start, end, tpf);
  ip->SetTime(now, TRUE);
  for (const auto& s : samples)
    if (static_cast<int>(s.size()) < V) {
      error = "a sample frame has fewer vertices than the rest state";
      return false;
    }
  SceneBoneDistances measured;
  if (!MeasureSceneBoneDistances(node, skin, V, now, measured, error)) return false;
  const std::vector<Point3>& rest = measured.rest;
  const std::vector<float>& distances = measured.distances;
  const int B = measured.boneCount;
  const CandidateBones cands = SelectCandidateBones(distances.data(), V, B, nullptr, pb->GetInt(pb_boneLimit, now));
  const std::vector<int> indices = CandidateBoneIndices(cands.candidates, cands.candidateCount);
  const int F = end - start + 1, L = cands.candidateCount;

  std::string out = "FNWKSOLV";
  for (std::uint32_t v : {1u, static_cast<std::uint32_t>(V), static_cast<std::uint32_t>(F),
                          static_cast<std::uint32_t>(B), static_cast<std::uint32_t>(L)})
    Put(out, v);
  for (const Point3& p : rest) Put(out, p.x), Put(out, p.y), Put(out, p.z);
  for (const Matrix3& m : BoneTransforms(skin.skin, now)) PutMatrix(out, m);
  for (int f = 0; f < F; ++f)
    for (const Matrix3& m : BoneTransforms(skin.skin, (start + f) * tpf)) PutMatrix(out, m);
  for (int f = 0; f < F; ++f)
    for (int v = 0; v < V; ++v) Put(out, samples[f][v].x), Put(out, samples[f][v].y), Put(out, samples[f][v].z);
  for (int c : indices) Put(out, static_cast<std::int32_t>(c));
  Put(out, static_cast<std::int32_t>(faces.size()));
  for (const Face& face : faces)
    for (int j = 0; j < 3; ++j) Put(out, static_cast<std::int32_t>(face.v[j]));
  return WriteFileAtomically(path, out, error);
}
