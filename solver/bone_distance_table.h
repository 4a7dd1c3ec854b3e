// Distances from every rest position to every bone.
#pragma once
#include <functional>
#include <vector>

#include "sdk/point3.h"
#include "solver/bone_mesh.h"

// Called after a vertex when the integer percentage has changed (it starts at 0).
using DistanceProgressCallback = std::function<void(int percent)>;

// Integer part of (vertex / vertexCount) * 100 in single precision; 0 for an
// empty mesh.
int DistanceProgressPercent(int vertex, int vertexCount);

// Flat table, vertexCount rows of boneCount distances in bone-index order:
// distances[v * boneCount + b] = |p - ClosestPointOnBone(bone b, p)|, p = restPositions[v].
std::vector<float> ComputeBoneDistances(const Point3* restPositions, int vertexCount,
                                        const BoneGeometry* bones, int boneCount,
                                        const DistanceProgressCallback& progress = {});
