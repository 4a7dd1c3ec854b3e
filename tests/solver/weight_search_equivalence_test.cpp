// The fast search against the operation-by-operation one, bit for bit, and
// against itself across thread counts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "solver/weight_search.h"
#include "solver/weight_search_reference.h"
#include "test_rig.h"
#include "tests/support/sanitizers.h"

namespace {

void ExpectSameBits(const std::vector<float>& a, const std::vector<float>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    uint32_t x, y;
    std::memcpy(&x, &a[i], 4);
    std::memcpy(&y, &b[i], 4);
    ASSERT_EQ(x, y) << "weight " << i << ": " << a[i] << " vs " << b[i];
  }
}

WeightSolveResult Fast(TestRig& rig, int iterations, int threads) {
  WeightSearchOptions options;
  options.solverIterations = iterations;
  options.threadCount = threads;
  return SolveWeights(rig.Input(), rig.skin, options);
}

struct RigShape {
  int vertices, bones, frames, candidates, iterations, twins;
};

class FastMatchesReference : public ::testing::TestWithParam<RigShape> {};

TEST_P(FastMatchesReference, BitForBitAndForAnyThreadCount) {
  const RigShape shape = GetParam();
  // Under sanitizers one seed walks the same code; the others only add minutes.
  const uint32_t seedCount = FW_SANITIZED ? 1 : 4;
  for (uint32_t seed = 1; seed <= seedCount; ++seed) {
    SCOPED_TRACE(seed);
    TestRig rig = RandomRig(seed, shape.vertices, shape.bones, shape.frames, shape.candidates,
                            shape.twins);
    const WeightSolveResult reference =
        SolveWeightsReference(rig.Input(), rig.skin, shape.iterations);
    const WeightSolveResult serial = Fast(rig, shape.iterations, 1);
    const WeightSolveResult parallel = Fast(rig, shape.iterations, 2);
    ASSERT_EQ(reference.status, WeightSolveStatus::Solved);
    ASSERT_EQ(serial.status, WeightSolveStatus::Solved);
    ASSERT_EQ(parallel.status, WeightSolveStatus::Solved);
    EXPECT_EQ(serial.solvedCount, shape.vertices);
    EXPECT_EQ(parallel.solvedCount, shape.vertices);
    ExpectSameBits(serial.weights, reference.weights);
    ExpectSameBits(parallel.weights, serial.weights);
    // The search moved weight off the start on most vertices, so the
    // comparison covers more than the starting weights.
    int moved = 0;
    for (float w : serial.weights) moved += (w != 0.0f && w != 1.0f);
    EXPECT_GT(moved, shape.vertices);
  }
}

INSTANTIATE_TEST_SUITE_P(Rigs, FastMatchesReference,
                         ::testing::Values(RigShape{300, 6, 9, 4, 12, 0},
                                           RigShape{250, 5, 6, 5, 9, 0},
                                           RigShape{200, 3, 4, 2, 15, 0},
                                           RigShape{300, 5, 20, 4, 15, 0},
                                           RigShape{300, 5, 12, 4, 12, 2},
                                           RigShape{300, 4, 10, 4, 15, 3},
                                           RigShape{100, 6, 101, 5, 12, 2}));

TEST(FastMatchesReferenceOnHostileValues, InfiniteOffsetsAndBadSamples) {
  // An infinite bone offset turns every error that includes it into NaN or
  // infinity; skipped zero terms must not hide that from the comparison.
  TestRig rig = RandomRig(9, 40, 4, 5, 3);
  const float inf = std::numeric_limits<float>::infinity();
  rig.FrameTM(2, 1).SetTrans(Point3(inf, 0, 0));
  rig.FrameTM(3, 2).SetRow(0, Point3(3e38f, 3e38f, 0));
  rig.samples[1][5] = Point3(std::numeric_limits<float>::quiet_NaN(), 0, 0);
  rig.samples[4][6] = Point3(0, -inf, 0);
  rig.rest[7] = Point3(0, 0, 0);
  const WeightSolveResult reference = SolveWeightsReference(rig.Input(), rig.skin, 12);
  ExpectSameBits(Fast(rig, 12, 1).weights, reference.weights);
  ExpectSameBits(Fast(rig, 12, 2).weights, reference.weights);
}

TEST(FastMatchesReferenceOnEdgeShapes, NoFramesAndOneFrame) {
  for (int frames : {0, 1}) {
    TestRig rig = RandomRig(13, 30, 4, frames, 4);
    const WeightSolveResult reference = SolveWeightsReference(rig.Input(), rig.skin, 12);
    ASSERT_EQ(reference.status, WeightSolveStatus::Solved);
    ExpectSameBits(Fast(rig, 12, 2).weights, reference.weights);
  }
}

}  // namespace
