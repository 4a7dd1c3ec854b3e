// The nearest bones of every vertex, the only bones the solver weights.
#pragma once
#include <vector>

#include "sdk/tab.h"
#include "solver/bone_distance.h"

struct CandidateBones {
  Tab<Tab<BoneDistance>> candidates;  // per vertex, candidateCount records, nearest first
  int candidateCount = 0;             // L
};

// L: boneLimit, at least 1, at most boneCount (0 when there are no bones).
int CandidateLimit(int boneLimit, int boneCount);

// Sorts each vertex's bones by distance (a stable bubble sort: equal distances
// keep bone-index order) and keeps the first L. boneDistances is the flat
// table of ComputeBoneDistances; boneNodes (boneCount handles) may be null.
CandidateBones SelectCandidateBones(const float* boneDistances, int vertexCount, int boneCount,
                                    void* const* boneNodes, int boneLimit);

// The solver's flat view: vertexCount rows of L bone indices, nearest first.
// A vertex with fewer than L records gets -1 in the missing places.
std::vector<int> CandidateBoneIndices(const Tab<Tab<BoneDistance>>& candidates,
                                      int candidateCount);
