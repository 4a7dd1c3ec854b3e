#include "cli/commands/influence_limit.h"

#include <algorithm>
#include <vector>

#include "frame/fernwick_ids.h"
#include "host/skin_access.h"
#include "sdk/interface.h"
#include "solver/command/solve_gather.h"
#include "solver/weight_search.h"
#include "tools/node_ops.h"

namespace {

bool WriteSkinWeights(INode* node, const SkinAccess& skin, const SkinWeightTable& table) {
  for (int v = 0; v < table.bones.Count(); ++v) {
    Tab<INode*> bones;
    Tab<float> weights;
    for (int k = 0; k < table.AssignedBoneCount(v); ++k) {
      bones.Append(skin.skin->GetBone(table.AssignedBone(v, k)));
      weights.Append(table.AssignedWeight(v, k));
    }
    if (!skin.importData->AddWeights(node, v, bones, weights)) return false;
  }
  skin.mod->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
  return true;
}

}  // namespace

SkinWeightTable ReadSkinWeights(INode* node) {
  SkinWeightTable table;
  SkinAccess skin;
  if (!FindSkin(node, skin) || !skin.context) return table;
  table.SetVertexCount(skin.context->GetNumPoints());
  for (int v = 0; v < skin.context->GetNumPoints(); ++v)
    for (int k = 0; k < skin.context->GetNumAssignedBones(v); ++k)
      table.Assign(v, skin.context->GetAssignedBone(v, k), skin.context->GetBoneWeight(v, k));
  return table;
}

bool LimitInfluencesBySolving(INode* node, Modifier* fernwick, const SkinWeightTable& sampledWith, int start, int end,
                              int maxInfluences, int solverIterations, InfluenceLimit& result, std::string& error) {
  result = InfluenceLimit();
  SkinAccess skin;
  if (!FindSkin(node, skin) || !skin.context || !skin.importData) {
    error = "the node has no Skin with weights to limit";
    return false;
  }
  // The vertices with too many bones, and each one's strongest, strongest first.
  std::vector<int> vertices;
  std::vector<int> candidates;  // maxInfluences per listed vertex
  const int pointCount = skin.context->GetNumPoints();
  for (int v = 0; v < pointCount; ++v) {
    std::vector<std::pair<int, float>> pairs;
    for (int k = 0; k < skin.context->GetNumAssignedBones(v); ++k)
      if (skin.context->GetBoneWeight(v, k) > 0.0f)
        pairs.push_back({skin.context->GetAssignedBone(v, k), skin.context->GetBoneWeight(v, k)});
    result.widest = std::max(result.widest, static_cast<int>(pairs.size()));
    if (static_cast<int>(pairs.size()) <= maxInfluences) continue;
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    vertices.push_back(v);
    for (int k = 0; k < maxInfluences; ++k) candidates.push_back(pairs[k].first);
  }
  if (vertices.empty()) return true;

  // The solve's inputs, read as the solve reads them, for those vertices only.
  Interface* ip = GetCOREInterface();
  const TimeValue now = ip->GetTime();
  int position = -1;
  FindModifierByClass(node, FERNWICK_CLASS_ID, &position);
  const bool wasOn = fernwick->IsEnabled() != FALSE;
  fernwick->EnableMod();
  const int ticksPerFrame = TIME_TICKSPERSEC / ip->GetFrameRate();
  // Delta Mush smooths what the Skin gives it: the targets are those of the
  // weights the solve started from, not of its own.
  const SkinWeightTable solvedWeights = ReadSkinWeights(node);
  if (!WriteSkinWeights(node, skin, sampledWith)) {
    error = "the Skin refused the weights it had before the solve";
    return false;
  }
  const std::vector<std::vector<Point3>> full = CollectPoseSamples(node, position, start, end, ticksPerFrame);
  ip->SetTime(now, TRUE);
  if (!wasOn) fernwick->DisableMod();
  if (!WriteSkinWeights(node, skin, solvedWeights)) {
    error = "the Skin refused the solved weights";
    return false;
  }
  const int n = static_cast<int>(vertices.size()), frameCount = end - start + 1;
  std::vector<std::vector<Point3>> samples(frameCount, std::vector<Point3>(n));
  for (int f = 0; f < frameCount; ++f) {
    if (static_cast<int>(full[f].size()) < pointCount) {
      error = "at frame " + std::to_string(start + f) + " the mesh lost vertices";
      return false;
    }
    for (int i = 0; i < n; ++i) samples[f][i] = full[f][vertices[i]];
  }
  SwitchModifiersAboveSkin(node, skin.mod, false);
  std::vector<Point3> allRest;
  const bool restOk = CaptureRestPositions(node, now, pointCount, allRest);
  SwitchModifiersAboveSkin(node, skin.mod, true);
  if (!restOk) {
    error = "the Skin's output has fewer vertices than its weights";
    return false;
  }
  std::vector<Point3> rest(n);
  SkinWeightTable current;
  current.SetVertexCount(n);
  for (int i = 0; i < n; ++i) {
    rest[i] = allRest[vertices[i]];
    for (int k = 0; k < skin.context->GetNumAssignedBones(vertices[i]); ++k)
      current.Assign(i, skin.context->GetAssignedBone(vertices[i], k), skin.context->GetBoneWeight(vertices[i], k));
  }
  const int boneCount = skin.skin->GetNumBones();
  std::vector<Matrix3> frameBoneTMs;
  for (int f = 0; f < frameCount; ++f) {
    const std::vector<Matrix3> tms = BoneTransforms(skin.skin, (start + f) * ticksPerFrame);
    frameBoneTMs.insert(frameBoneTMs.end(), tms.begin(), tms.end());
  }
  const std::vector<Matrix3> restBoneTMs = BoneTransforms(skin.skin, now);
  std::vector<const Point3*> samplePtrs(frameCount);
  for (int f = 0; f < frameCount; ++f) samplePtrs[f] = samples[f].data();

  WeightSolveInput in;
  in.vertexCount = n;
  in.boneCount = boneCount;
  in.frameCount = frameCount;
  in.samples = samplePtrs.data();
  in.restPositions = rest.data();
  in.restBoneTMs = restBoneTMs.data();
  in.frameBoneTMs = frameBoneTMs.data();
  in.candidateBones = candidates.data();
  in.candidateCount = maxInfluences;
  WeightSearchOptions options;
  options.solverIterations = solverIterations;
  const WeightSolveResult solved = SolveWeights(in, current, options);
  if (solved.status != WeightSolveStatus::Solved) {
    error = "the weight search refused the limited bones";
    return false;
  }
  // The search starts over from one bone, so it can end short of the solve's
  // own weights cut to these bones: each vertex keeps whichever of the two
  // fits its frames better.
  std::vector<Matrix3> toBone(boneCount);
  for (int b = 0; b < boneCount; ++b) toBone[b] = Inverse(restBoneTMs[b]);
  auto fitError = [&](int i, const float* w) {
    const int* bones = &candidates[static_cast<size_t>(i) * maxInfluences];
    double error = 0;
    for (int f = 0; f < frameCount; ++f) {
      Point3 p(0, 0, 0);
      for (int k = 0; k < maxInfluences; ++k)
        if (w[k] > 0.0f) p += rest[i] * toBone[bones[k]] * frameBoneTMs[static_cast<size_t>(f) * boneCount + bones[k]] * w[k];
      error += (p - samples[f][i]).LengthSquared();
    }
    return error;
  };
  std::vector<float> chosen(solved.weights);
  for (int i = 0; i < n; ++i) {
    std::vector<float> cut(maxInfluences, 0.0f);
    double sum = 0;
    for (int k = 0; k < maxInfluences; ++k) {
      const int bone = candidates[static_cast<size_t>(i) * maxInfluences + k];
      for (int j = 0; j < current.AssignedBoneCount(i); ++j)
        if (current.AssignedBone(i, j) == bone) cut[k] += current.AssignedWeight(i, j);
      sum += cut[k];
    }
    if (!(sum > 0)) continue;
    for (float& w : cut) w = static_cast<float>(w / sum);
    float* mine = &chosen[static_cast<size_t>(i) * maxInfluences];
    if (fitError(i, cut.data()) < fitError(i, mine)) {
      std::copy(cut.begin(), cut.end(), mine);
      ++result.keptCut;
    }
  }
  for (int i = 0; i < n; ++i) {
    Tab<INode*> bones;
    Tab<float> weights;
    for (int k = 0; k < maxInfluences; ++k) {
      const float w = chosen[static_cast<size_t>(i) * maxInfluences + k];
      if (w <= 0.0f) continue;
      bones.Append(skin.skin->GetBone(candidates[static_cast<size_t>(i) * maxInfluences + k]));
      weights.Append(w);
    }
    if (!skin.importData->AddWeights(node, vertices[i], bones, weights)) {
      error = "the Skin refused the weights of vertex " + std::to_string(vertices[i]);
      return false;
    }
  }
  skin.mod->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
  result.vertices = n;
  return true;
}
