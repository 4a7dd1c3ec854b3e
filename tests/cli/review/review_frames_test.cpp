// The review page's Delta Mush storage: offsets come back within half a
// quantisation step, through the packing the page undoes, on the kept frames.
#include <gtest/gtest.h>

#include <cmath>

#include "cli/review/review_frames.h"

namespace {

TEST(ReviewFrames, KeepsEveryStrideThFrameAndTheLast) {
  EXPECT_EQ(ReviewKeptFrames(5, 1), (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(ReviewKeptFrames(8, 3), (std::vector<int>{0, 3, 6, 7}));
  EXPECT_EQ(ReviewKeptFrames(7, 3), (std::vector<int>{0, 3, 6}));
  EXPECT_EQ(ReviewKeptFrames(1, 4), (std::vector<int>{0}));
  EXPECT_EQ(ReviewKeptFrames(9, 100), (std::vector<int>{0, 8}));
}

TEST(ReviewFrames, OffsetsComeBackWithinHalfAStep) {
  PoseFrames mush(5), baked(5);
  for (int f = 0; f < 5; ++f)
    for (int v = 0; v < 50; ++v) {
      const Point3 b{0.1f * v, std::sin(0.3f * v + f), 1.0f + f};
      baked[f].push_back(b);
      // Large swings from frame to frame, both ways, so that differences wrap.
      const float swing = (f % 2 ? -0.24f : 0.24f) * std::cos(0.7f * v);
      mush[f].push_back(b + Point3{swing, -0.002f * v, f == 2 && v == 7 ? 0.25f : 0.0f});
    }
  const FitStats before = CompareFrames(baked, mush);
  const ReviewMeshClip clip = EncodeReviewMeshClip(mush, baked, before, before);
  EXPECT_NEAR(clip.step, 0.25f / 32767.0f, 1e-9f) << "the clip's largest offset component over 32767";
  ASSERT_EQ(clip.offsets.size(), 5u * 50 * 3);
  EXPECT_EQ(clip.worstBefore, before.perVertexMax);
  const std::vector<int> kept = ReviewKeptFrames(5, 2);
  const std::string packed = PackReviewOffsets(clip, kept, 50);
  ASSERT_EQ(packed.size(), kept.size() * 50 * 3 * 2);
  const std::vector<std::int16_t> steps = UnpackReviewOffsets(packed, kept.size(), 50);
  for (size_t k = 0; k < kept.size(); ++k)
    for (size_t v = 0; v < 50; ++v) {
      const Point3 want = mush[kept[k]][v] - baked[kept[k]][v];
      const std::int16_t* q = &steps[(k * 50 + v) * 3];
      EXPECT_LE(std::fabs(q[0] * clip.step - want.x), 0.5f * clip.step + 1e-6f) << k << " " << v;
      EXPECT_LE(std::fabs(q[1] * clip.step - want.y), 0.5f * clip.step + 1e-6f);
      EXPECT_LE(std::fabs(q[2] * clip.step - want.z), 0.5f * clip.step + 1e-6f);
    }
}

}  // namespace
