#include "solver/combinations.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

Tab<int> MakeTab(std::initializer_list<int> items) {
  Tab<int> t;
  for (int i : items) t.Append(i);
  return t;
}

std::vector<std::vector<int>> ToVectors(const Tab<Tab<int>>& tabs) {
  std::vector<std::vector<int>> out;
  for (const Tab<int>& t : tabs) out.emplace_back(t.begin(), t.end());
  return out;
}

TEST(Combinations, LexicographicInListPositions) {
  using V = std::vector<std::vector<int>>;
  EXPECT_EQ(ToVectors(EnumerateCombinations(MakeTab({0, 2, 3}), 2)), (V{{0, 2}, {0, 3}, {2, 3}}));
  EXPECT_EQ(ToVectors(EnumerateCombinations(MakeTab({1, 2, 3, 4}), 3)),
            (V{{1, 2, 3}, {1, 2, 4}, {1, 3, 4}, {2, 3, 4}}));
  EXPECT_EQ(ToVectors(EnumerateCombinations(MakeTab({5, 9}), 2)), (V{{5, 9}}));
  EXPECT_TRUE(ToVectors(EnumerateCombinations(MakeTab({5, 9}), 3)).empty());
  EXPECT_TRUE(ToVectors(EnumerateCombinations(MakeTab({5, 9}), 0)).empty());
}

}  // namespace
