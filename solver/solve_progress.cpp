#include "solver/solve_progress.h"

#include <chrono>
#include <climits>
#include <cmath>

double SteadyClockSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

int SolveProgressPercent(int loopThreads, int vertex, int vertexCount) {
  if (vertexCount <= 0) return 0;
  const float scaled = static_cast<float>(loopThreads) * static_cast<float>(vertex);
  return static_cast<int>(scaled / static_cast<float>(vertexCount) * 100.0f);
}

int SolveSecondsRemaining(float solveSeconds, int solvedCount, int vertexCount, int loopThreads) {
  if (solvedCount <= 0 || loopThreads <= 0) return 0;
  const float average = solveSeconds / static_cast<float>(solvedCount);
  const float remaining =
      static_cast<float>(vertexCount - solvedCount) * average / static_cast<float>(loopThreads);
  // Out of int range (or NaN from a broken clock) would make the conversion undefined.
  if (!(remaining > 0.0f)) return 0;
  if (remaining >= static_cast<float>(INT_MAX)) return INT_MAX;
  return static_cast<int>(remaining);
}
