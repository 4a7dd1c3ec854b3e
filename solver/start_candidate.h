// The heaviest-bone test: which candidate the solver starts from.
#pragma once
#include "solver/skin_weight_query.h"

struct StartCandidate {
  int candidate = -1;     // candidate index that starts with weight 1.0; -1 when the test failed
  int heaviestBone = -1;  // Skin bone index of the heaviest bone; -1 when none is assigned
  bool failed() const { return candidate < 0; }
};

// Skin bone carrying the vertex's largest weight; among equal weights the pair
// listed first. -1 when the vertex has no assigned bones.
int HeaviestAssignedBone(const SkinWeightQuery& skin, int vertex);

// The first candidate that is the heaviest bone. A vertex with no assigned
// bones starts from its nearest candidate (0) instead of failing. Fails when
// the heaviest bone is not among the candidates, or when there are none.
StartCandidate FindStartCandidate(const SkinWeightQuery& skin, int vertex,
                                  const int* candidateBones, int candidateCount);
