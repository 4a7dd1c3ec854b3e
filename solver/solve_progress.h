// Progress of the parallel weight search and its remaining-time estimate.
#pragma once
#include <functional>

struct SolveProgress {
  int percent = 0;           // loop thread 0's position in its block, scaled to the mesh
  int secondsRemaining = 0;  // SolveSecondsRemaining of the fields below
  int solvedCount = 0;
  float solveSeconds = 0.0f;  // sum of per-vertex solve times over all threads
  int loopThreads = 1;
  int vertexCount = 0;
};

// Invoked on loop thread 0 only (the thread that called the solve) whenever
// the percentage changes; it must not throw.
using SolveProgressCallback = std::function<void(const SolveProgress&)>;

// Seconds from a fixed origin; called concurrently from every solving thread.
using SolveClock = double (*)();

// Monotonic wall clock. The C runtime's clock() would sum processor time over
// all threads here, inflating every per-vertex time by the thread count.
double SteadyClockSeconds();

// Integer part of ((loopThreads * vertex) / vertexCount) * 100 in single
// precision; 0 for an empty mesh.
int SolveProgressPercent(int loopThreads, int vertex, int vertexCount);

// Integer part of (vertexCount - solvedCount) * (solveSeconds / solvedCount) /
// loopThreads; 0 before any vertex is solved, never negative.
int SolveSecondsRemaining(float solveSeconds, int solvedCount, int vertexCount, int loopThreads);
