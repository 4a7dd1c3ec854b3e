#include "solver/start_candidate.h"

int HeaviestAssignedBone(const SkinWeightQuery& skin, int vertex) {
  const int n = skin.AssignedBoneCount(vertex);
  int bone = -1;
  float heaviest = 0.0f;
  for (int j = 0; j < n; ++j) {
    const float w = skin.AssignedWeight(vertex, j);
    if (j == 0 || w > heaviest) {
      heaviest = w;
      bone = skin.AssignedBone(vertex, j);
    }
  }
  return bone;
}

StartCandidate FindStartCandidate(const SkinWeightQuery& skin, int vertex,
                                  const int* candidateBones, int candidateCount) {
  StartCandidate start;
  if (skin.AssignedBoneCount(vertex) <= 0) {
    // Nothing assigned: there is no heaviest bone to insist on.
    start.candidate = candidateCount > 0 ? 0 : -1;
    return start;
  }
  start.heaviestBone = HeaviestAssignedBone(skin, vertex);
  // A Skin lists each bone node once, so matching the index matches the node.
  for (int k = 0; k < candidateCount; ++k) {
    if (candidateBones[k] == start.heaviestBone) {
      start.candidate = k;
      break;
    }
  }
  return start;
}
