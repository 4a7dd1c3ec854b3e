// The parallel per-vertex weight search.
#pragma once
#include "solver/skin_weight_query.h"
#include "solver/solve_inputs.h"
#include "solver/solve_progress.h"
#include "solver/solve_result.h"

struct WeightSearchOptions {
  int solverIterations = 12;
  int threadCount = 0;             // 0: one thread per logical processor
  SolveProgressCallback progress;  // may be empty
  SolveClock clock = nullptr;      // null: SteadyClockSeconds
};

// Logical processors reported by the system; 4 when it reports none.
int LogicalProcessorCount();

// Coarse-to-fine search of every vertex's weights over its candidates,
// starting from the heaviest Skin bone. Vertices are cut into one contiguous
// block per thread (static schedule, no dynamic adjustment); results do not
// depend on the thread count. Bit-identical to SolveWeightsReference.
WeightSolveResult SolveWeights(const WeightSolveInput& in, const SkinWeightQuery& skin,
                               const WeightSearchOptions& options = {});
