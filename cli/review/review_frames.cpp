#include "cli/review/review_frames.h"

#include <algorithm>
#include <cmath>

ReviewMeshClip EncodeReviewMeshClip(const PoseFrames& mush, const PoseFrames& baked, const FitStats& before,
                                    const FitStats& after) {
  ReviewMeshClip out;
  const size_t vertices = mush.empty() ? 0 : mush.front().size();
  out.worstBefore = before.perVertexMax;
  out.worstAfter = after.perVertexMax;
  out.worstBefore.resize(vertices, 0.0f);
  out.worstAfter.resize(vertices, 0.0f);
  float largest = 0;
  for (size_t f = 0; f < mush.size(); ++f)
    for (size_t v = 0; v < vertices; ++v) {
      const Point3 d = mush[f][v] - baked[f][v];
      largest = std::max({largest, std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)});
    }
  out.step = largest / 32767.0f;
  out.offsets.reserve(mush.size() * vertices * 3);
  for (size_t f = 0; f < mush.size(); ++f)
    for (size_t v = 0; v < vertices; ++v) {
      const Point3 d = mush[f][v] - baked[f][v];
      for (float c : {d.x, d.y, d.z}) {
        const long q = out.step > 0 ? std::lround(c / out.step) : 0;
        out.offsets.push_back(static_cast<std::int16_t>(std::clamp(q, -32767L, 32767L)));
      }
    }
  return out;
}

std::vector<int> ReviewKeptFrames(int frames, int stride) {
  std::vector<int> kept;
  for (int f = 0; f < frames; f += std::max(stride, 1)) kept.push_back(f);
  if (frames > 0 && kept.back() != frames - 1) kept.push_back(frames - 1);
  return kept;
}

std::string PackReviewOffsets(const ReviewMeshClip& clip, const std::vector<int>& kept, size_t vertices) {
  const size_t n = vertices * 3, count = kept.size() * n;
  std::string out(2 * count, '\0');
  for (size_t k = 0; k < kept.size(); ++k)
    for (size_t i = 0; i < n; ++i) {
      const std::uint16_t now = static_cast<std::uint16_t>(clip.offsets[kept[k] * n + i]);
      const std::uint16_t was = k == 0 ? 0 : static_cast<std::uint16_t>(clip.offsets[kept[k - 1] * n + i]);
      const std::uint16_t delta = static_cast<std::uint16_t>(now - was);
      const std::uint16_t zigzag = static_cast<std::uint16_t>((delta << 1) ^ (delta & 0x8000 ? 0xFFFF : 0));
      out[k * n + i] = static_cast<char>(zigzag & 0xFF);
      out[count + k * n + i] = static_cast<char>(zigzag >> 8);
    }
  return out;
}

std::vector<std::int16_t> UnpackReviewOffsets(const std::string& packed, size_t keptFrames, size_t vertices) {
  const size_t n = vertices * 3, count = keptFrames * n;
  std::vector<std::int16_t> out(count);
  for (size_t j = 0; j < count && 2 * count <= packed.size(); ++j) {
    const std::uint16_t zigzag = static_cast<std::uint16_t>(static_cast<std::uint8_t>(packed[j]) |
                                                            static_cast<std::uint8_t>(packed[count + j]) << 8);
    const std::uint16_t delta = static_cast<std::uint16_t>((zigzag >> 1) ^ (zigzag & 1 ? 0xFFFF : 0));
    const std::uint16_t was = j < n ? 0 : static_cast<std::uint16_t>(out[j - n]);
    out[j] = static_cast<std::int16_t>(static_cast<std::uint16_t>(was + delta));
  }
  return out;
}
