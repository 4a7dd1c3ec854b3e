#include "solver/bone_distance_table.h"

#include "solver/closest_point_on_bone.h"

int DistanceProgressPercent(int vertex, int vertexCount) {
  if (vertexCount <= 0) return 0;
  return static_cast<int>(static_cast<float>(vertex) / static_cast<float>(vertexCount) * 100.0f);
}

std::vector<float> ComputeBoneDistances(const Point3* restPositions, int vertexCount,
                                        const BoneGeometry* bones, int boneCount,
                                        const DistanceProgressCallback& progress) {
  if (vertexCount <= 0 || boneCount <= 0) return {};

  // Each bone's vertices are placed in the world once; the point transform
  // gives the same values on every visit, so this changes no distance.
  std::vector<std::vector<Point3>> placed(boneCount);
  for (int b = 0; b < boneCount; ++b) {
    const BoneMesh* mesh = bones[b].mesh;
    if (mesh == nullptr) continue;
    placed[b].resize(mesh->verts.Count());
    for (int i = 0; i < mesh->verts.Count(); ++i) placed[b][i] = mesh->verts[i] * bones[b].objectTM;
  }

  std::vector<float> distances(static_cast<size_t>(vertexCount) * boneCount);
  int lastPercent = 0;
  for (int v = 0; v < vertexCount; ++v) {
    const Point3& p = restPositions[v];
    for (int b = 0; b < boneCount; ++b) {
      Point3 closest;
      if (placed[b].empty()) {
        closest = bones[b].objectTM.GetTrans();
      } else {
        closest = ClosestPointOnPlacedMesh(placed[b].data(), static_cast<int>(placed[b].size()),
                                           bones[b].mesh->faces.Addr(0),
                                           bones[b].mesh->faces.Count(), p);
      }
      distances[static_cast<size_t>(v) * boneCount + b] = Length(p - closest);
    }
    const int percent = DistanceProgressPercent(v, vertexCount);
    if (percent != lastPercent) {
      lastPercent = percent;
      if (progress) progress(percent);
    }
  }
  return distances;
}
