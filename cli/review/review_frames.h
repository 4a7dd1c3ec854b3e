// The Delta Mush frames a review page carries, stored compactly: per mesh and
// clip, the offset of Delta Mush from the baked skin, each component a 16-bit
// count of steps (the clip's largest offset component / 32767), on the kept
// frames of the clip; the page interpolates linearly between them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cli/report/fit_report.h"

// One mesh on one clip.
struct ReviewMeshClip {
  float step = 0;                     // the quantisation step, in the file's world units
  std::vector<std::int16_t> offsets;  // [clip frame][vertex][x, y, z] in steps
  std::vector<float> worstBefore, worstAfter;  // per vertex: largest distance over the clip
};

// mush, baked: [clip frame][vertex] world positions of the Delta Mush result
// and of linear skinning with the baked weights.
ReviewMeshClip EncodeReviewMeshClip(const PoseFrames& mush, const PoseFrames& baked, const FitStats& before,
                                    const FitStats& after);

// Every stride-th frame of a clip of `frames` frames, and its last.
std::vector<int> ReviewKeptFrames(int frames, int stride);

// The kept frames' offsets as the page stores them, for deflate to shrink:
// each value the difference from the same value at the previous kept frame
// (modulo 2^16), zigzagged so that small changes either way are small
// numbers, then all low bytes followed by all high bytes.
std::string PackReviewOffsets(const ReviewMeshClip& clip, const std::vector<int>& kept, size_t vertices);
// The way back, as the page does it: [kept frame][vertex][x, y, z] in steps.
std::vector<std::int16_t> UnpackReviewOffsets(const std::string& packed, size_t keptFrames, size_t vertices);
