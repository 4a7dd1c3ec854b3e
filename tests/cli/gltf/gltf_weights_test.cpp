// Weights as a file stores them: the largest kept, summing to one exactly in
// the stored precision. Expected values worked out by hand.
#include "cli/gltf/gltf_weights.h"

#include <gtest/gtest.h>

#include "cli/gltf/gltf_character.h"
#include "tests/cli/gltf/gltf_test_file.h"
#include "tests/support/gltf_validator.h"

namespace {

using W = std::vector<std::pair<int, float>>;

int UnitSum(const W& w, GltfWeightFormat f) {
  int sum = 0;
  for (auto [j, x] : w) sum += StoredUnits(x, f);
  return sum;
}

TEST(StoredWeights, TheLargestKeptAndRenormalised) {
  // Four weights, two kept: 0.5 and 0.3 of 0.8.
  const W two = StoredInfluences({{0, 0.1f}, {3, 0.5f}, {1, 0.3f}, {2, 0.1f}}, 2, GltfWeightFormat::kFloat);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].first, 3);
  EXPECT_EQ(two[1].first, 1);
  EXPECT_FLOAT_EQ(two[1].second, 0.375f);
  EXPECT_EQ(two[0].second + two[1].second, 1.0f);  // exactly, in float
  // A repeated joint counts once, summed; zero weights go; equal weights keep joint order.
  const W tidy = StoredInfluences({{5, 0.25f}, {2, 0.0f}, {5, 0.25f}, {1, 0.5f}}, 4, GltfWeightFormat::kFloat);
  EXPECT_EQ(tidy, (W{{1, 0.5f}, {5, 0.5f}}));
  EXPECT_TRUE(StoredInfluences({{0, 0.0f}}, 4, GltfWeightFormat::kFloat).empty());
}

TEST(StoredWeights, IntegersAddUpExactlyByLargestRemainders) {
  struct Case {
    W in;
    GltfWeightFormat format;
    std::vector<int> units;  // stored, largest first
  } cases[] = {
      // 127.5, 63.75, 63.75: the two units left go to the larger remainders.
      {{{0, 0.5f}, {1, 0.25f}, {2, 0.25f}}, GltfWeightFormat::kUnorm8, {127, 64, 64}},
      // 127.5 twice: one unit left, the tie goes to the first.
      {{{3, 0.5f}, {1, 0.5f}}, GltfWeightFormat::kUnorm8, {128, 127}},
      {{{0, 1.0f}, {1, 1.0f}, {2, 1.0f}}, GltfWeightFormat::kUnorm8, {85, 85, 85}},
      // 65534.93 and 0.07: the tiny one rounds to nothing and is dropped.
      {{{4, 1.0f}, {7, 1e-6f}}, GltfWeightFormat::kUnorm16, {65535}},
      // Not normalised in the file (sum 2): 0.75 and 0.25 of 255 are 191.25 and 63.75.
      {{{0, 1.5f}, {1, 0.5f}}, GltfWeightFormat::kUnorm8, {191, 64}},
  };
  for (const Case& c : cases) {
    const W w = StoredInfluences(c.in, 4, c.format);
    ASSERT_EQ(w.size(), c.units.size());
    for (size_t k = 0; k < w.size(); ++k) EXPECT_EQ(StoredUnits(w[k].second, c.format), c.units[k]) << k;
    EXPECT_EQ(UnitSum(w, c.format), c.format == GltfWeightFormat::kUnorm8 ? 255 : 65535);
  }
}

TEST(StoredWeights, EachFormatWritesValidFilesThatReadBackAsStored) {
  TempDir dir;
  GltfCharacter c;
  std::string err;
  ASSERT_TRUE(ReadGltfCharacter(MakeStripFile().SaveGlb(dir, "s.glb"), {}, c, err)) << err;
  GltfVertexWeights w;
  for (const Point3& p : c.meshes[0].positions) w.push_back({{0, 1.0f - p.x / 3}, {1, p.x / 3}});
  for (GltfWeightFormat f : {GltfWeightFormat::kFloat, GltfWeightFormat::kUnorm16, GltfWeightFormat::kUnorm8}) {
    SCOPED_TRACE(GltfWeightFormatName(f));
    const std::string out = dir.File(std::string(GltfWeightFormatName(f)) + ".glb");
    ASSERT_TRUE(WriteGltfWithWeights(c, {w}, 4, out, err, f)) << err;
    ExpectValidGltf(out);
    GltfCharacter back;
    ASSERT_TRUE(ReadGltfCharacter(out, {}, back, err)) << err;
    for (size_t v = 0; v < w.size(); ++v) {
      W expect = StoredInfluences(w[v], 4, f);
      std::sort(expect.begin(), expect.end());
      ASSERT_EQ(back.meshes[0].weights[v].size(), expect.size()) << v;
      for (size_t k = 0; k < expect.size(); ++k) {
        EXPECT_EQ(back.meshes[0].weights[v][k].first, expect[k].first);
        EXPECT_FLOAT_EQ(back.meshes[0].weights[v][k].second, expect[k].second);
      }
    }
  }
}

}  // namespace
