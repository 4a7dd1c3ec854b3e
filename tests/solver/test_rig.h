// Small rigs for the weight-search tests, owning everything the input points to.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "sdk/matrix3.h"
#include "solver/skin_weight_query.h"
#include "solver/solve_inputs.h"

struct TestRig {
  int vertexCount = 0;
  int boneCount = 0;
  int frameCount = 0;
  int candidateCount = 0;
  std::vector<Point3> rest;
  std::vector<Matrix3> restTMs;
  std::vector<Matrix3> frameTMs;             // [f * boneCount + b]
  std::vector<std::vector<Point3>> samples;  // [f][v]
  std::vector<const Point3*> samplePtrs;
  std::vector<int> candidates;               // [v * candidateCount + k]
  SkinWeightTable skin;

  Matrix3& FrameTM(int f, int b) { return frameTMs[static_cast<size_t>(f) * boneCount + b]; }

  WeightSolveInput Input() {
    samplePtrs.clear();
    for (const auto& s : samples) samplePtrs.push_back(s.data());
    WeightSolveInput in;
    in.vertexCount = vertexCount;
    in.boneCount = boneCount;
    in.frameCount = frameCount;
    in.samples = samplePtrs.data();
    in.restPositions = rest.data();
    in.restBoneTMs = restTMs.data();
    in.frameBoneTMs = frameTMs.data();
    in.candidateBones = candidates.data();
    in.candidateCount = candidateCount;
    return in;
  }
};

// One vertex at the origin, bones at rest on the identity, candidates in bone
// order, all Skin weight on startBone. moves[f][b] translates bone b at frame f.
inline TestRig TranslationRig(const std::vector<std::vector<Point3>>& moves,
                              const std::vector<Point3>& samples, int startBone = 0) {
  TestRig rig;
  rig.vertexCount = 1;
  rig.frameCount = static_cast<int>(moves.size());
  rig.boneCount = static_cast<int>(moves[0].size());
  rig.candidateCount = rig.boneCount;
  rig.rest = {Point3(0, 0, 0)};
  rig.restTMs.assign(rig.boneCount, Matrix3());
  for (const auto& frame : moves)
    for (const Point3& m : frame) rig.frameTMs.push_back(TransMatrix(m));
  for (const Point3& s : samples) rig.samples.push_back({s});
  for (int b = 0; b < rig.boneCount; ++b) rig.candidates.push_back(b);
  rig.skin.Assign(0, startBone, 1.0f);
  return rig;
}

inline Matrix3 RandomBoneTM(std::mt19937& rng, float angleRange, float reach) {
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  Point3 axis(unit(rng), unit(rng), unit(rng));
  if (axis.Length() < 0.1f) axis = Point3(0, 0, 1);
  Matrix3 tm = RotAngleAxisMatrix(axis, angleRange * unit(rng));
  tm.SetTrans(Point3(unit(rng), unit(rng), unit(rng)) * reach);
  return tm;
}

// Rigid carry of p from a bone's rest transform to a posed one, in double.
inline void CarryDouble(const Matrix3& restTM, const Matrix3& poseTM, const Point3& p,
                        double out[3]) {
  // Solve local * rest = p for local, then local * pose.
  double m[3][3], t[3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) m[i][j] = restTM[i][j];
    t[i] = p[i] - restTM[3][i];
  }
  const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                     m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                     m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  // Cramer's rule on local = t * m^-1 (row vector), i.e. m^T local^T = t^T.
  double local[3];
  for (int c = 0; c < 3; ++c) {
    double a[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) a[i][j] = (i == c) ? t[j] : m[i][j];
    local[c] = (a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0])) /
               det;
  }
  for (int j = 0; j < 3; ++j)
    out[j] = local[0] * poseTM[0][j] + local[1] * poseTM[1][j] + local[2] * poseTM[2][j] +
             poseTM[3][j];
}

// A random rig: rotated and moved bones, distinct random candidates per vertex,
// the Skin's heaviest bone at a random candidate, and samples from linear
// skinning with random weights plus a little noise, so searches make moves.
// The last twinBones bones copy bone 0's transforms: moves that differ only in
// which twin receives have equal errors in exact arithmetic, so the choice
// between them rests on the rounding of each sum.
inline TestRig RandomRig(uint32_t seed, int vertexCount, int boneCount, int frameCount,
                         int candidateCount, int twinBones = 0) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::uniform_real_distribution<float> positive(0.0f, 1.0f);
  TestRig rig;
  rig.vertexCount = vertexCount;
  rig.boneCount = boneCount;
  rig.frameCount = frameCount;
  rig.candidateCount = candidateCount;
  for (int b = 0; b < boneCount; ++b) rig.restTMs.push_back(RandomBoneTM(rng, 3.0f, 4.0f));
  for (int f = 0; f < frameCount; ++f)
    for (int b = 0; b < boneCount; ++b) rig.frameTMs.push_back(RandomBoneTM(rng, 1.5f, 4.0f));
  for (int b = boneCount - twinBones; b < boneCount; ++b) {
    rig.restTMs[b] = rig.restTMs[0];
    for (int f = 0; f < frameCount; ++f) rig.FrameTM(f, b) = rig.FrameTM(f, 0);
  }
  rig.samples.assign(frameCount, std::vector<Point3>(vertexCount));
  rig.skin.SetVertexCount(vertexCount);
  std::vector<int> bones(boneCount);
  for (int v = 0; v < vertexCount; ++v) {
    rig.rest.push_back(Point3(unit(rng), unit(rng), unit(rng)) * 3.0f);
    for (int b = 0; b < boneCount; ++b) bones[b] = b;
    std::shuffle(bones.begin(), bones.end(), rng);
    for (int k = 0; k < candidateCount; ++k) rig.candidates.push_back(bones[k]);
    const int heaviest = bones[std::uniform_int_distribution<int>(0, candidateCount - 1)(rng)];
    rig.skin.Assign(v, bones[candidateCount % boneCount], 0.25f);
    rig.skin.Assign(v, heaviest, 0.75f);

    std::vector<double> w(candidateCount);
    double sum = 0.0;
    for (double& x : w) sum += (x = positive(rng) * positive(rng));
    for (int f = 0; f < frameCount; ++f) {
      double s[3] = {0, 0, 0};
      for (int k = 0; k < candidateCount; ++k) {
        double q[3];
        const int b = bones[k];
        CarryDouble(rig.restTMs[b], rig.FrameTM(f, b), rig.rest[v], q);
        for (int j = 0; j < 3; ++j) s[j] += w[k] / sum * q[j];
      }
      rig.samples[f][v] = Point3(static_cast<float>(s[0] + 0.01 * unit(rng)),
                                 static_cast<float>(s[1] + 0.01 * unit(rng)),
                                 static_cast<float>(s[2] + 0.01 * unit(rng)));
    }
  }
  return rig;
}
