// Stand-in host: the Skin's linear blend skinning.
//
// With row vectors (p * M applies M; A * B applies A first), a vertex p in
// the skinned object's space goes to
//   p' = sum_k w_k * (p * SkinInitTM * Inverse(BoneInitTM_k) * BoneTM_k(t)
//                       * Inverse(SkinNodeTM(t)))
// The weights of a vertex are divided by their sum when it is positive (the
// Skin's inner normalisation, so stored weights need not sum to 1). A vertex
// with no usable pair, or a weight sum of 0 or less, keeps its position.
#pragma once
#include <vector>

#include "matrix3.h"
#include "skin_weight_table.h"

// Per bone index, the matrix taking a rest point to its posed place, and
// whether the bone can drive vertices (an empty slot cannot).
struct SkinPose {
  std::vector<Matrix3> boneToPose;
  std::vector<bool> live;
};

// The per-bone matrix of the formula above.
Matrix3 SkinBoneMatrix(const Matrix3& skinInit, const Matrix3& boneInit, const Matrix3& boneNow,
                       const Matrix3& skinNodeNow);

// p skinned by its pairs under pose; pairs naming no live bone are left out.
Point3 SkinPoint(const Point3& p, const std::vector<SkinWeight>& pairs, const SkinPose& pose);
