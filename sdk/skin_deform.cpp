#include "skin_deform.h"

Matrix3 SkinBoneMatrix(const Matrix3& skinInit, const Matrix3& boneInit, const Matrix3& boneNow,
                       const Matrix3& skinNodeNow) {
  return skinInit * Inverse(boneInit) * boneNow * Inverse(skinNodeNow);
}

Point3 SkinPoint(const Point3& p, const std::vector<SkinWeight>& pairs, const SkinPose& pose) {
  const int bones = static_cast<int>(pose.boneToPose.size());
  float sum = 0.0f;
  for (const SkinWeight& w : pairs)
    if (w.bone >= 0 && w.bone < bones && pose.live[w.bone]) sum += w.weight;
  if (!(sum > 0.0f)) return p;
  Point3 out(0, 0, 0);
  for (const SkinWeight& w : pairs)
    if (w.bone >= 0 && w.bone < bones && pose.live[w.bone]) out += (p * pose.boneToPose[w.bone]) * (w.weight / sum);
  return out;
}
