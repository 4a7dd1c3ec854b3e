#include "solver/solve_inputs.h"

#include <algorithm>
#include <cstddef>

bool IsValidSolveInput(const WeightSolveInput& in) {
  if (in.vertexCount < 0 || in.boneCount < 0 || in.frameCount < 0 || in.candidateCount < 0)
    return false;
  if (in.vertexCount == 0) return true;
  if (in.boneCount < 1 || in.candidateCount < 1) return false;
  if (in.restPositions == nullptr || in.restBoneTMs == nullptr || in.candidateBones == nullptr)
    return false;
  if (in.frameCount > 0 && (in.samples == nullptr || in.frameBoneTMs == nullptr)) return false;
  for (int f = 0; f < in.frameCount; ++f)
    if (in.samples[f] == nullptr) return false;
  const size_t n = static_cast<size_t>(in.vertexCount) * in.candidateCount;
  for (size_t i = 0; i < n; ++i)
    if (in.candidateBones[i] < 0 || in.candidateBones[i] >= in.boneCount) return false;
  return true;
}

int ClampSolverIterations(int solverIterations) { return std::clamp(solverIterations, 1, 15); }

float ResultingAccuracy(int solverIterations) {
  float step = 1.0f;
  for (int i = 1; i < solverIterations; ++i) step *= 0.5f;
  return step;
}
