#include "solver/solve_progress.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <thread>
#include <vector>

#include "solver/weight_search.h"
#include "test_rig.h"

namespace {

TEST(SolveProgress, PercentScalesThreadZerosPositionToTheMesh) {
  EXPECT_EQ(SolveProgressPercent(2, 3, 10), 60);
  EXPECT_EQ(SolveProgressPercent(1, 99, 100), 99);
  EXPECT_EQ(SolveProgressPercent(4, 24, 100), 96);
  EXPECT_EQ(SolveProgressPercent(3, 5, 0), 0);
}

TEST(SolveProgress, SecondsRemainingFromTheAverageVertexTime) {
  // 6 vertices left, 0.5 s each, shared by 2 threads: 1.5 s, shown as 1.
  EXPECT_EQ(SolveSecondsRemaining(2.0f, 4, 10, 2), 1);
  EXPECT_EQ(SolveSecondsRemaining(30.0f, 10, 100, 3), 90);
  EXPECT_EQ(SolveSecondsRemaining(5.0f, 10, 10, 1), 0);
  // No division by zero, nothing negative, nothing out of range.
  EXPECT_EQ(SolveSecondsRemaining(5.0f, 0, 10, 1), 0);
  EXPECT_EQ(SolveSecondsRemaining(5.0f, 3, 10, 0), 0);
  EXPECT_EQ(SolveSecondsRemaining(-1.0f, 3, 10, 1), 0);
  EXPECT_EQ(SolveSecondsRemaining(NAN, 3, 10, 1), 0);
  EXPECT_EQ(SolveSecondsRemaining(1e30f, 1, 1000, 1), INT_MAX);
}

std::atomic<int> gTicks{0};
double OneSecondPerCall() { return gTicks.fetch_add(1); }

TEST(SolveProgress, ReportedOnTheCallingThreadWithTheEstimate) {
  TestRig rig = RandomRig(21, 200, 4, 3, 2);
  std::vector<SolveProgress> reports;
  const std::thread::id caller = std::this_thread::get_id();
  bool elsewhere = false;
  WeightSearchOptions options;
  options.solverIterations = 3;
  options.threadCount = 1;
  options.clock = OneSecondPerCall;
  options.progress = [&](const SolveProgress& p) {
    elsewhere = elsewhere || std::this_thread::get_id() != caller;
    reports.push_back(p);
  };
  ASSERT_EQ(SolveWeights(rig.Input(), rig.skin, options).status, WeightSolveStatus::Solved);
  EXPECT_FALSE(elsewhere);
  // One thread: every percent from 1 to 99 once; each vertex took one tick.
  ASSERT_EQ(reports.size(), 99u);
  for (int i = 0; i < 99; ++i) {
    const SolveProgress& p = reports[i];
    EXPECT_EQ(p.percent, i + 1);
    EXPECT_EQ(p.loopThreads, 1);
    EXPECT_EQ(p.vertexCount, 200);
    EXPECT_EQ(p.solveSeconds, static_cast<float>(p.solvedCount));
    EXPECT_EQ(p.secondsRemaining, 200 - p.solvedCount);
  }

  // Two threads: still only the caller reports, percents rising, below 100.
  reports.clear();
  options.threadCount = 2;
  ASSERT_EQ(SolveWeights(rig.Input(), rig.skin, options).status, WeightSolveStatus::Solved);
  EXPECT_FALSE(elsewhere);
  ASSERT_FALSE(reports.empty());
  for (size_t i = 0; i < reports.size(); ++i) {
    EXPECT_EQ(reports[i].loopThreads, 2);
    EXPECT_LT(reports[i].percent, 100);
    if (i > 0) {
      EXPECT_GT(reports[i].percent, reports[i - 1].percent);
    }
  }
}

}  // namespace
