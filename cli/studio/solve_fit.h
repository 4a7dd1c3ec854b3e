// The fit of the last "Solve Skin weights", as the page shows it beside the
// rollout: how far plain linear skinning lies from the Delta Mush result
// before and after, over the frames solved and on each keyed clip, in the
// figures `fernwick solve` and `bake` print (cli/report/fit_report.h).
//
// The clips are keyed on the rig's own bones, which move the mesh only while
// the rig's Skin does: in the proxy workflow a clip's "before" is taken when
// "Create input animation" is pressed and its "after" once "Replace and
// remove proxy" has put the solved weights on the rig. Run on the host thread.
#pragma once
#include <nlohmann/json.hpp>
#include <vector>

#include "cli/report/fit_report.h"
#include "cli/studio/studio_document.h"
#include "sdk/modifier.h"

class SolveFitTracker {
 public:
  // Around a press of button `id` of the open rollout `rollout`; only the
  // Fernwick "Parameters" rollout's solve, proxy and undo buttons matter.
  void BeforePress(int rollout, int id, const std::vector<KeyedClip>& clips);
  void AfterPress(int rollout, int id);
  // Forgets everything (a new document).
  void Clear();

  // null before the first solve; else {"start", "end", "vertices", "before",
  // "after" (each {"mean", "rms", "max", "worstVertex", "worstFrame"}),
  // "clips": [{"name", "first", "last", "trained", "before", "after" (null
  // until scored)}], "waiting" (what scores the clips, or ""), "text" (the
  // lines the program prints)}.
  nlohmann::json Describe() const;
  // The largest distance before the last solve; 0 without one.
  double LargestBefore() const { return solved_ ? before_.max : 0.0; }

 private:
  struct Clip {
    KeyedClip clip;
    PoseFrames mush;
    FitStats before, after;
    bool trained = false, scored = false;
  };
  static std::vector<Clip> SampleClips(INode* node, const std::vector<KeyedClip>& clips);
  static void ScoreClips(INode* node, std::vector<Clip>& clips);

  // Taken before a press, kept while the press runs.
  int start_ = 0, end_ = 0;
  PoseFrames rangeMush_, rangeBefore_;
  std::vector<Clip> pending_;
  std::vector<Clip> proxyClips_;  // sampled at "Create input animation"
  Modifier* solving_ = nullptr;   // the Fernwick whose solve was pressed
  bool wasOn_ = false;
  std::vector<float> weightsBefore_;

  bool solved_ = false;
  int solvedStart_ = 0, solvedEnd_ = 0, vertices_ = 0;
  FitStats before_, after_;
  std::vector<Clip> clips_;
};
