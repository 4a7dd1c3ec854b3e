// The weight search written out operation by operation, serial and slow: the
// yardstick the fast search must match bit for bit.
#pragma once
#include "sdk/point3.h"
#include "sdk/tab.h"
#include "solver/skin_weight_query.h"
#include "solver/solve_inputs.h"
#include "solver/solve_result.h"

// r + sum_k weights[k] * (q_k - r), k ascending, where
// q_k = (r * Inverse(restBoneTMs[b])) * frameBoneTMs[f][b], r = restPositions[v].
Point3 SkinnedPosition(const WeightSolveInput& in, int v, const Tab<float>& weights, int f);

// Sum over frames, in frame order, of |SkinnedPosition - samples[f][v]|.
float FitError(const WeightSolveInput& in, int v, const Tab<float>& weights);

// One vertex, from the given start candidate (-1: all weights stay 0.0).
Tab<float> SolveVertexWeightsReference(const WeightSolveInput& in, int v, int startCandidate,
                                       int solverIterations);

// Every vertex in order; a failed heaviest-bone test skips the rest.
WeightSolveResult SolveWeightsReference(const WeightSolveInput& in, const SkinWeightQuery& skin,
                                        int solverIterations);
