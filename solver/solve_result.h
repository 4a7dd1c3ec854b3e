// What a weight search hands back to the solve command.
#pragma once
#include <vector>

enum class WeightSolveStatus {
  Solved,
  HeaviestBoneMissing,  // a vertex's heaviest Skin bone is not among its candidates
  InvalidInput,         // IsValidSolveInput failed; nothing was solved
};

struct WeightSolveResult {
  WeightSolveStatus status = WeightSolveStatus::Solved;
  // vertexCount rows of L weights, in candidate order. After a failure the
  // rows are meaningless (vertices not begun stay 0.0) and must not be written.
  std::vector<float> weights;
  // The failure report: the failing vertex and its heaviest Skin bone. With
  // several failures it is the one recorded last.
  int errorVertex = 0;
  int errorBone = -1;
  int solvedCount = 0;  // vertices that ran to the end
};
