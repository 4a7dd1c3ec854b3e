#include "solver/skin_weight_query.h"

#include <algorithm>

void SkinWeightTable::SetVertexCount(int n) {
  bones.SetCount(n);
  weights.SetCount(n);
}

void SkinWeightTable::Assign(int vertex, int bone, float weight) {
  if (vertex >= bones.Count()) SetVertexCount(vertex + 1);
  bones[vertex].Append(bone);
  weights[vertex].Append(weight);
}

int SkinWeightTable::AssignedBoneCount(int vertex) const {
  if (vertex < 0 || vertex >= bones.Count() || vertex >= weights.Count()) return 0;
  return std::min(bones[vertex].Count(), weights[vertex].Count());
}

int SkinWeightTable::AssignedBone(int vertex, int slot) const { return bones[vertex][slot]; }

float SkinWeightTable::AssignedWeight(int vertex, int slot) const {
  return weights[vertex][slot];
}
