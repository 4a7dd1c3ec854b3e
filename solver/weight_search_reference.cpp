#include "solver/weight_search_reference.h"

#include "solver/combinations.h"
#include "solver/start_candidate.h"

Point3 SkinnedPosition(const WeightSolveInput& in, int v, const Tab<float>& weights, int f) {
  const int L = in.candidateCount;
  const Point3 r = in.restPositions[v];
  Point3 sum(0.0f, 0.0f, 0.0f);
  for (int k = 0; k < L; ++k) {
    const int b = in.candidateBones[static_cast<size_t>(v) * L + k];
    // Into the bone's rest frame, then out with its transform at frame f.
    const Point3 q =
        r * Inverse(in.restBoneTMs[b]) * in.frameBoneTMs[static_cast<size_t>(f) * in.boneCount + b];
    sum += weights[k] * (q - r);
  }
  return r + sum;
}

float FitError(const WeightSolveInput& in, int v, const Tab<float>& weights) {
  float error = 0.0f;
  for (int f = 0; f < in.frameCount; ++f)
    error += Length(SkinnedPosition(in, v, weights, f) - in.samples[f][v]);
  return error;
}

Tab<float> SolveVertexWeightsReference(const WeightSolveInput& in, int v, int startCandidate,
                                       int solverIterations) {
  const int L = in.candidateCount;
  Tab<float> w;
  w.SetCount(L);
  for (int k = 0; k < L; ++k) w[k] = 0.0f;
  if (startCandidate >= 0) w[startCandidate] = 1.0f;

  float currentError = FitError(in, v, w);
  float step = 0.5f;
  for (int pass = 1; pass < solverIterations; ++pass) {
    bool haveBest = false;
    Tab<float> best;
    float bestError = 0.0f;
    for (int i = 0; i < L; ++i) {
      Tab<int> others;
      for (int j = 0; j < L; ++j)
        if (j != i) others.Append(j);
      for (int m = 1; m <= L - 1; ++m) {
        if (static_cast<float>(m) * step > w[i]) break;
        const Tab<Tab<int>> combinations = EnumerateCombinations(others, m);
        for (const Tab<int>& c : combinations) {
          Tab<float> t = w;
          t[i] -= static_cast<float>(m) * step;
          for (int j : c) t[j] += step;
          const float e = FitError(in, v, t);
          if (!haveBest || e < bestError) {
            best = t;
            bestError = e;
            haveBest = true;
          }
        }
      }
    }
    if (haveBest && bestError < currentError) {
      w = best;
      currentError = bestError;
    }
    step *= 0.5f;
  }
  return w;
}

WeightSolveResult SolveWeightsReference(const WeightSolveInput& in, const SkinWeightQuery& skin,
                                        int solverIterations) {
  WeightSolveResult result;
  if (!IsValidSolveInput(in)) {
    result.status = WeightSolveStatus::InvalidInput;
    return result;
  }
  const int L = in.candidateCount;
  const int iterations = ClampSolverIterations(solverIterations);
  result.weights.assign(static_cast<size_t>(in.vertexCount) * L, 0.0f);
  for (int v = 0; v < in.vertexCount; ++v) {
    if (result.status != WeightSolveStatus::Solved) break;
    const int* candidates = in.candidateBones + static_cast<size_t>(v) * L;
    const StartCandidate start = FindStartCandidate(skin, v, candidates, L);
    if (start.failed()) {
      result.status = WeightSolveStatus::HeaviestBoneMissing;
      result.errorVertex = v;
      result.errorBone = start.heaviestBone;
    }
    const Tab<float> w = SolveVertexWeightsReference(in, v, start.candidate, iterations);
    for (int k = 0; k < L; ++k) result.weights[static_cast<size_t>(v) * L + k] = w[k];
    ++result.solvedCount;
  }
  return result;
}
