// Hand-worked searches on tiny rigs, run through the fast search (one and two
// threads) and the operation-by-operation one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "solver/weight_search.h"
#include "solver/weight_search_reference.h"
#include "test_rig.h"

namespace {

enum class Path { Fast1, Fast2, Reference };

WeightSolveResult RunPath(Path path, TestRig& rig, int iterations) {
  const WeightSolveInput in = rig.Input();
  if (path == Path::Reference) return SolveWeightsReference(in, rig.skin, iterations);
  WeightSearchOptions options;
  options.solverIterations = iterations;
  options.threadCount = path == Path::Fast1 ? 1 : 2;
  return SolveWeights(in, rig.skin, options);
}

class WeightSearchByHand : public ::testing::TestWithParam<Path> {
 protected:
  std::vector<float> Solve(TestRig& rig, int iterations) {
    const WeightSolveResult r = RunPath(GetParam(), rig, iterations);
    EXPECT_EQ(r.status, WeightSolveStatus::Solved);
    return r.weights;
  }
};

const Point3 kStill(0, 0, 0);

TEST_P(WeightSearchByHand, HalfwaySampleSplitsEvenlyAndFinerStepsCannotImprove) {
  // Bone 1 moves 2 along x; the sample sits halfway: error 0 at (0.5, 0.5).
  TestRig rig = TranslationRig({{kStill, Point3(2, 0, 0)}}, {Point3(1, 0, 0)});
  EXPECT_EQ(Solve(rig, 12), (std::vector<float>{0.5f, 0.5f}));
}

TEST_P(WeightSearchByHand, OneIterationKeepsAllWeightOnTheHeaviestBone) {
  // The heaviest Skin bone is bone 2, candidate 2, although bone 1 would fit.
  TestRig rig = TranslationRig({{kStill, Point3(2, 0, 0), Point3(0, 9, 0)}}, {Point3(2, 0, 0)},
                               /*startBone=*/2);
  EXPECT_EQ(Solve(rig, 1), (std::vector<float>{0.0f, 0.0f, 1.0f}));
  // With passes it walks away from the start: pass 1 hands both halves away
  // ((0.5, 0.5, 0) lands on (1, 0)), pass 2 moves a quarter on to bone 1.
  EXPECT_EQ(Solve(rig, 2), (std::vector<float>{0.5f, 0.5f, 0.0f}));
  EXPECT_EQ(Solve(rig, 3), (std::vector<float>{0.25f, 0.75f, 0.0f}));
}

TEST_P(WeightSearchByHand, SingleCandidateKeepsWeightOne) {
  TestRig rig = TranslationRig({{Point3(5, 0, 0)}}, {Point3(1, 0, 0)});
  EXPECT_EQ(Solve(rig, 12), (std::vector<float>{1.0f}));
}

TEST_P(WeightSearchByHand, PerfectStartIsNeverLeft) {
  // The sample is where the start bone carries the vertex: error 0, no move is
  // strictly better even though bone 1's full weight would tie it.
  TestRig rig = TranslationRig({{Point3(1, 0, 0), Point3(1, 0, 0)}}, {Point3(1, 0, 0)});
  EXPECT_EQ(Solve(rig, 12), (std::vector<float>{1.0f, 0.0f}));
}

TEST_P(WeightSearchByHand, FirstPassCanHandHalfStepsToTwoReceivers) {
  // Only (0, 0.5, 0.5) reaches the sample; taking 1.5 from the donor is never tried.
  TestRig rig = TranslationRig({{kStill, Point3(2, 0, 0), Point3(0, 2, 0), Point3(0, 0, 2)}},
                               {Point3(1, 1, 0)});
  EXPECT_EQ(Solve(rig, 12), (std::vector<float>{0.0f, 0.5f, 0.5f, 0.0f}));
}

TEST_P(WeightSearchByHand, EqualErrorsGoToTheEarlierCombination) {
  // Bones 1 and 2 move alike, so (0.5, 0.5, 0) and (0.5, 0, 0.5) tie at 0.
  TestRig rig = TranslationRig({{kStill, Point3(2, 0, 0), Point3(2, 0, 0)}}, {Point3(1, 0, 0)});
  EXPECT_EQ(Solve(rig, 12), (std::vector<float>{0.5f, 0.5f, 0.0f}));
}

TEST_P(WeightSearchByHand, EqualErrorsGoToFewerReceivers) {
  // Bones 0 and 2 stay; (0.5, 0.5, 0) and (0, 0.5, 0.5) both hit the sample.
  TestRig rig = TranslationRig({{kStill, Point3(2, 0, 0), kStill}}, {Point3(1, 0, 0)});
  EXPECT_EQ(Solve(rig, 12), (std::vector<float>{0.5f, 0.5f, 0.0f}));
}

TEST_P(WeightSearchByHand, EqualErrorsGoToTheLowerDonor) {
  // Sample (0.75, 0.75). Pass 1 (step 0.5) moves to (0.5, 0.5, 0) at (1, 0).
  // Pass 2 (step 0.25): donor 0's (0.25, 0.5, 0.25) lands on (1, 1) and donor
  // 1's (0.5, 0.25, 0.25) on (0.5, 1), both sqrt(0.125) away; donor 0 wins.
  TestRig rig = TranslationRig({{kStill, Point3(2, 0, 0), Point3(0, 4, 0)}},
                               {Point3(0.75f, 0.75f, 0)});
  EXPECT_EQ(Solve(rig, 2), (std::vector<float>{0.5f, 0.5f, 0.0f}));
  EXPECT_EQ(Solve(rig, 3), (std::vector<float>{0.25f, 0.5f, 0.25f}));
}

TEST_P(WeightSearchByHand, ErrorsAddUpOverFrames) {
  // Frame 0 wants 0.25 on bone 1, frame 1 wants 0.75: |4w - 1| + |4w - 3| is
  // flat at 2 between them, so the search stops at the first weight that
  // reaches the flat part, w = 0.5 after pass 1 (step 0.5).
  TestRig rig = TranslationRig({{kStill, Point3(4, 0, 0)}, {kStill, Point3(4, 0, 0)}},
                               {Point3(1, 0, 0), Point3(3, 0, 0)});
  EXPECT_EQ(Solve(rig, 12), (std::vector<float>{0.5f, 0.5f}));
}

INSTANTIATE_TEST_SUITE_P(AllPaths, WeightSearchByHand,
                         ::testing::Values(Path::Fast1, Path::Fast2, Path::Reference));

// Samples made by linear skinning with known weights, computed in double from
// the transforms; weights on the search grid come back exactly.
class RecoversGridWeights : public ::testing::TestWithParam<Path> {};

TEST_P(RecoversGridWeights, FromLinearSkinning) {
  const std::vector<std::vector<float>> known = {
      {0.5f, 0.5f, 0.0f},        {0.75f, 0.0f, 0.25f},       {0.625f, 0.375f, 0.0f},
      {0.125f, 0.25f, 0.625f},   {0.0f, 0.0f, 1.0f},         {0.3125f, 0.6875f, 0.0f},
      {0.5f, 0.25f, 0.25f},      {0.0009765625f, 0.9990234375f, 0.0f},
  };
  TestRig rig = RandomRig(7, static_cast<int>(known.size()), 3, 12, 3);
  // The Skin's heaviest bone is the one with the largest known weight.
  rig.skin = SkinWeightTable();
  for (int v = 0; v < rig.vertexCount; ++v) {
    const int k = static_cast<int>(std::max_element(known[v].begin(), known[v].end()) -
                                   known[v].begin());
    rig.skin.Assign(v, rig.candidates[v * 3 + k], 1.0f);
  }
  for (int v = 0; v < rig.vertexCount; ++v) {
    for (int f = 0; f < rig.frameCount; ++f) {
      double s[3] = {0, 0, 0};
      for (int k = 0; k < 3; ++k) {
        const int b = rig.candidates[v * 3 + k];
        double q[3];
        CarryDouble(rig.restTMs[b], rig.FrameTM(f, b), rig.rest[v], q);
        for (int j = 0; j < 3; ++j) s[j] += known[v][k] * q[j];
      }
      rig.samples[f][v] = Point3(static_cast<float>(s[0]), static_cast<float>(s[1]),
                                 static_cast<float>(s[2]));
    }
  }
  const WeightSolveResult r = RunPath(GetParam(), rig, 12);
  ASSERT_EQ(r.status, WeightSolveStatus::Solved);
  for (int v = 0; v < rig.vertexCount; ++v)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(r.weights[v * 3 + k], known[v][k]) << v << " " << k;
}

INSTANTIATE_TEST_SUITE_P(AllPaths, RecoversGridWeights,
                         ::testing::Values(Path::Fast1, Path::Fast2, Path::Reference));

// The skinned position rounds as r + sum over k ascending of w_k (q_k - r),
// each coordinate on its own, r added last. The values below were picked
// because the other ways of writing that sum round differently; the test
// works each of them out in its own float arithmetic first.
TEST(SkinnedPosition, AddsWeightedOffsetsInCandidateOrderThenTheRestPosition) {
  const float r = 0x1.d6a76p+0f;
  const float t[3] = {-0x1.96f36cp+1f, -0x1.5ed178p-1f, -0x1.8369p+1f};
  const float w[3] = {0.25f, 0.25f, 0.5f};
  float q[3], d[3];
  for (int k = 0; k < 3; ++k) {
    q[k] = r + t[k];  // a bone at rest on the identity, moved by t
    d[k] = q[k] - r;
  }
  const float expected = r + ((w[0] * d[0] + w[1] * d[1]) + w[2] * d[2]);
  const float weightedSum = (w[0] * q[0] + w[1] * q[1]) + w[2] * q[2];
  const float descending = r + ((w[2] * d[2] + w[1] * d[1]) + w[0] * d[0]);
  const float restFirst = ((r + w[0] * d[0]) + w[1] * d[1]) + w[2] * d[2];
  ASSERT_NE(expected, weightedSum);
  ASSERT_NE(expected, descending);
  ASSERT_NE(expected, restFirst);

  TestRig rig;
  rig.vertexCount = 1;
  rig.boneCount = rig.candidateCount = 3;
  rig.frameCount = 1;
  rig.rest = {Point3(r, r, r)};
  rig.restTMs.assign(3, Matrix3());
  for (float tk : t) rig.frameTMs.push_back(TransMatrix(Point3(tk, tk, tk)));
  rig.samples = {{Point3(0, 0, 0)}};
  rig.candidates = {0, 1, 2};
  Tab<float> weights;
  for (float wk : w) weights.Append(wk);
  EXPECT_EQ(SkinnedPosition(rig.Input(), 0, weights, 0), Point3(expected, expected, expected));
}

TEST(WeightSearch, MovesAreJudgedByTheSkinnedPositionAsItRounds) {
  // One frame, two candidates, one pass at step 0.5: the only move is
  // (0.5, 0.5). As the skinned position rounds, it lands exactly as far from
  // the sample as the start (1, 0) does, so it is not taken; summed as
  // 0.5 q0 + 0.5 q1, or with r added first, it would land nearer and win.
  const float r = 0x1.2a304cp+1f, t0 = -0x1.90f5ap+1f, t1 = -0x1.2e5cc4p+0f, s = -0x1.429c2p-2f;
  const float q0 = r + t0, q1 = r + t1, d0 = q0 - r, d1 = q1 - r;
  const float start = std::fabs((r + d0) - s);
  ASSERT_EQ(std::fabs((r + (d0 * 0.5f + d1 * 0.5f)) - s), start);
  ASSERT_LT(std::fabs((0.5f * q0 + 0.5f * q1) - s), start);
  ASSERT_LT(std::fabs(((r + 0.5f * d0) + 0.5f * d1) - s), start);

  TestRig rig = TranslationRig({{Point3(t0, 0, 0), Point3(t1, 0, 0)}}, {Point3(s, 0, 0)});
  rig.rest = {Point3(r, 0, 0)};
  for (Path path : {Path::Fast1, Path::Reference})
    EXPECT_EQ(RunPath(path, rig, 2).weights, (std::vector<float>{1.0f, 0.0f})) << static_cast<int>(path);
}

TEST(WeightSearch, WeightsAreMultiplesOfTheLastStepAndSumToExactlyOne) {
  for (int iterations : {1, 2, 5, 12, 15}) {
    TestRig rig = RandomRig(11, 60, 6, 5, 5);
    WeightSearchOptions options;
    options.solverIterations = iterations;
    options.threadCount = 2;
    const WeightSolveResult r = SolveWeights(rig.Input(), rig.skin, options);
    ASSERT_EQ(r.status, WeightSolveStatus::Solved);
    const float accuracy = ResultingAccuracy(iterations);
    for (int v = 0; v < rig.vertexCount; ++v) {
      float sum = 0.0f;
      for (int k = 0; k < 5; ++k) {
        const float w = r.weights[v * 5 + k];
        EXPECT_GE(w, 0.0f);
        EXPECT_LE(w, 1.0f);
        const float steps = w / accuracy;
        EXPECT_EQ(steps, std::floor(steps)) << "iterations " << iterations << " weight " << w;
        sum += w;
      }
      EXPECT_EQ(sum, 1.0f);
    }
  }
}

TEST(WeightSearch, ResultingAccuracyHalvesPerIteration) {
  EXPECT_EQ(ResultingAccuracy(1), 1.0f);
  EXPECT_EQ(ResultingAccuracy(12), 0.00048828125f);
  EXPECT_EQ(ResultingAccuracy(15), 0.00006103515625f);
  EXPECT_EQ(ClampSolverIterations(0), 1);
  EXPECT_EQ(ClampSolverIterations(40), 15);
}

TEST(WeightSearch, MissingHeaviestBoneStopsTheSolveAndNamesVertexAndBone) {
  TestRig rig = RandomRig(3, 10, 6, 4, 3);
  // Vertex 3's heaviest Skin bone becomes a bone outside its candidates.
  int outside = 0;
  while (std::count(rig.candidates.begin() + 9, rig.candidates.begin() + 12, outside)) ++outside;
  rig.skin.Assign(3, outside, 0.9f);
  // A second failure further on must not be the one named, with any thread count.
  int outsideLast = 0;
  while (std::count(rig.candidates.end() - 3, rig.candidates.end(), outsideLast)) ++outsideLast;
  rig.skin.Assign(9, outsideLast, 0.9f);
  for (Path path : {Path::Fast1, Path::Fast2, Path::Reference}) {
    const WeightSolveResult r = RunPath(path, rig, 6);
    EXPECT_EQ(r.status, WeightSolveStatus::HeaviestBoneMissing);
    EXPECT_EQ(r.errorVertex, 3);
    EXPECT_EQ(r.errorBone, outside);
    // The reference runs 0 to 3 and skips the rest; the fast path checks first and solves nothing.
    EXPECT_EQ(r.solvedCount, path == Path::Reference ? 4 : 0);
    for (size_t i = 9; i < r.weights.size(); ++i) EXPECT_EQ(r.weights[i], 0.0f);
  }
}

TEST(WeightSearch, VertexWithoutSkinBonesStartsFromItsNearestCandidate) {
  TestRig rig = TranslationRig({{kStill, Point3(2, 0, 0)}}, {Point3(1, 0, 0)}, 1);
  rig.skin = SkinWeightTable();
  for (Path path : {Path::Fast1, Path::Reference}) {
    const WeightSolveResult r = RunPath(path, rig, 1);
    EXPECT_EQ(r.status, WeightSolveStatus::Solved);
    EXPECT_EQ(r.weights, (std::vector<float>{1.0f, 0.0f}));
  }
}

TEST(WeightSearch, RefusesInputThatWouldReadPastItsArrays) {
  TestRig rig = RandomRig(5, 4, 3, 2, 2);
  rig.candidates[5] = 3;  // no such bone
  EXPECT_EQ(RunPath(Path::Fast1, rig, 4).status, WeightSolveStatus::InvalidInput);
  EXPECT_EQ(RunPath(Path::Reference, rig, 4).status, WeightSolveStatus::InvalidInput);
  rig.candidates[5] = 0;
  WeightSolveInput in = rig.Input();
  in.candidateCount = 0;
  EXPECT_EQ(SolveWeights(in, rig.skin).status, WeightSolveStatus::InvalidInput);
  in = rig.Input();
  in.samples = nullptr;
  EXPECT_EQ(SolveWeights(in, rig.skin).status, WeightSolveStatus::InvalidInput);
  in.vertexCount = 0;  // nothing to solve needs nothing
  EXPECT_EQ(SolveWeights(in, rig.skin).status, WeightSolveStatus::Solved);
}

}  // namespace
