// The weight search's inputs: plain world-space arrays, read only during a solve.
#pragma once
#include "sdk/matrix3.h"
#include "sdk/point3.h"

struct WeightSolveInput {
  int vertexCount = 0;
  int boneCount = 0;
  int frameCount = 0;
  // frameCount arrays; samples[f][v] for v below vertexCount (each array must
  // hold at least vertexCount points).
  const Point3* const* samples = nullptr;
  const Point3* restPositions = nullptr;  // vertexCount
  const Matrix3* restBoneTMs = nullptr;   // boneCount
  const Matrix3* frameBoneTMs = nullptr;  // frameCount * boneCount, frameBoneTMs[f * boneCount + b]
  // vertexCount rows of candidateCount Skin bone indices, nearest first
  // (CandidateBoneIndices); weights come back in the same layout.
  const int* candidateBones = nullptr;
  int candidateCount = 0;  // L
};

// Counts non-negative, L and the bone count at least 1 when there are vertices,
// every array present that the counts need, every candidate a valid bone.
bool IsValidSolveInput(const WeightSolveInput& in);

// solverIterations limited to its parameter range, 1 to 15.
int ClampSolverIterations(int solverIterations);

// Smallest weight step of a solve: 0.5 to the power (iterations - 1).
float ResultingAccuracy(int solverIterations);
