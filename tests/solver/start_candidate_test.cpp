#include "solver/start_candidate.h"

#include <gtest/gtest.h>

namespace {

TEST(StartCandidate, HeaviestBoneIsTheFirstOfTheLargestWeights) {
  SkinWeightTable skin;
  skin.Assign(0, 4, 0.2f);
  skin.Assign(0, 2, 0.5f);
  skin.Assign(0, 7, 0.5f);  // equal to bone 2's, listed later
  skin.Assign(0, 1, 0.3f);
  EXPECT_EQ(HeaviestAssignedBone(skin, 0), 2);

  const int candidates[3] = {7, 2, 1};
  const StartCandidate start = FindStartCandidate(skin, 0, candidates, 3);
  EXPECT_FALSE(start.failed());
  EXPECT_EQ(start.candidate, 1);
  EXPECT_EQ(start.heaviestBone, 2);
}

TEST(StartCandidate, FailsWhenTheHeaviestBoneIsNotACandidate) {
  SkinWeightTable skin;
  skin.Assign(0, 6, 0.9f);
  skin.Assign(0, 1, 0.1f);
  const int candidates[3] = {0, 1, 2};
  const StartCandidate start = FindStartCandidate(skin, 0, candidates, 3);
  EXPECT_TRUE(start.failed());
  EXPECT_EQ(start.heaviestBone, 6);
}

TEST(StartCandidate, UnassignedVertexStartsFromTheNearestCandidate) {
  SkinWeightTable skin;
  skin.SetVertexCount(2);
  const int candidates[2] = {5, 3};
  EXPECT_EQ(FindStartCandidate(skin, 1, candidates, 2).candidate, 0);
  EXPECT_EQ(FindStartCandidate(skin, 9, candidates, 2).candidate, 0);  // beyond the table
  EXPECT_TRUE(FindStartCandidate(skin, 1, candidates, 0).failed());    // nothing to start from
}

}  // namespace
