#include "solver/candidate_bones.h"

#include <algorithm>
#include <utility>

int CandidateLimit(int boneLimit, int boneCount) {
  if (boneCount <= 0) return 0;
  return std::clamp(boneLimit, 1, boneCount);
}

CandidateBones SelectCandidateBones(const float* boneDistances, int vertexCount, int boneCount,
                                    void* const* boneNodes, int boneLimit) {
  CandidateBones result;
  result.candidateCount = CandidateLimit(boneLimit, boneCount);
  if (vertexCount <= 0) return result;
  result.candidates.SetCount(vertexCount);
  const int limit = result.candidateCount;

  std::vector<BoneDistance> records(boneCount > 0 ? boneCount : 0);
  for (int v = 0; v < vertexCount; ++v) {
    for (int b = 0; b < boneCount; ++b) {
      records[b].node = boneNodes != nullptr ? boneNodes[b] : nullptr;
      records[b].distance = boneDistances[static_cast<size_t>(v) * boneCount + b];
      records[b].boneIndex = b;
    }
    // Only a strictly greater distance swaps, so ties keep bone-index order.
    for (int i = boneCount - 2; i >= 0; --i) {
      for (int j = 0; j <= i; ++j) {
        if (records[j].distance > records[j + 1].distance) std::swap(records[j], records[j + 1]);
      }
    }
    Tab<BoneDistance>& list = result.candidates[v];
    list.SetCount(limit);
    for (int k = 0; k < limit; ++k) list[k] = records[k];
  }
  return result;
}

std::vector<int> CandidateBoneIndices(const Tab<Tab<BoneDistance>>& candidates,
                                      int candidateCount) {
  if (candidateCount <= 0) return {};
  std::vector<int> flat(static_cast<size_t>(candidates.Count()) * candidateCount, -1);
  for (int v = 0; v < candidates.Count(); ++v) {
    const int n = std::min(candidates[v].Count(), candidateCount);
    for (int k = 0; k < n; ++k)
      flat[static_cast<size_t>(v) * candidateCount + k] = candidates[v][k].boneIndex;
  }
  return flat;
}
