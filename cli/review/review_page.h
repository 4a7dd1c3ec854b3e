// The review page: one self-contained HTML file that plays a character's
// file skin, its Delta Mush result and its baked skin side by side in
// three.js, with the per-clip figures. Everything is inline: the page
// (cli/review/web, bundled with three.js at build time), both files as GLB
// and the Delta Mush frames (review_frames.h), so it opens from file:// and
// makes no request.
#pragma once
#include <string>
#include <vector>

#include "cli/gltf/gltf_character.h"
#include "cli/review/review_frames.h"

// The most a page may weigh: the frames it keeps follow from it.
constexpr long kReviewPageBudgetBytes = 24000000;

struct ReviewPageInput {
  const GltfCharacter* character = nullptr;  // the source as read: meshes, primitives, clips
  std::string sourceName, bakedName;         // as the page names them
  std::string sourceGlb, bakedGlb;           // each file as one GLB (SelfContainedGlb)
  std::string summaryJson;                   // BakeSummaryJson
  std::vector<int> clipAnimations;           // per scored clip: its animation index
  std::vector<std::vector<ReviewMeshClip>> clips;  // [scored clip][mesh], every frame
  long budgetBytes = kReviewPageBudgetBytes;
};

struct ReviewPage {
  std::string html;
  int stride = 1;  // Delta Mush kept on every stride-th frame of each clip (and its last)
  long keptFrames = 0, clipFrames = 0;
};

// Keeps every frame's Delta Mush when the page then fits in budgetBytes,
// else every second, third... frame, the fewest that fit.
ReviewPage BuildReviewPage(const ReviewPageInput& input);

// Written atomically; false with a message when it cannot be.
bool WriteReviewPage(const ReviewPage& page, const std::string& path, std::string& error);
