// `fernwick bake`: import, the workflow's button presses and export in one
// go, with a fit report per clip and its picture.
//
// The training set is the solve's frame range: the rollout's proxy poses
// ("Create input animation"), optionally a wider range of motion keyed on the
// proxies, and clips of the file, keyed on the proxies after those poses (or,
// without proxies, on the rig's bones) one after another.
#pragma once
#include <map>
#include <ostream>
#include <string>

#include "cli/commands/character_import.h"
#include "cli/review/bake_summary.h"

// Defaults, chosen by scoring held-out clips (bench/bench_training_sets): with
// clips, the proxy poses and a wide range of motion join them; without clips,
// the proxy poses alone carry over best.
extern const bool kBakeProxyPosesWithClips;
extern const RangeOfMotion kBakeRangeOfMotionWithClips;
extern const RangeOfMotion kBakeRangeOfMotionWithoutClips;

// What a bake did and where its time went, for benchmarks and summaries.
// Beside OUT it writes the report picture and the review page (see
// cli/review/review_page.h), and with --summary the summary for machines.
struct BakeStats {
  int meshes = 0;
  int vertices = 0;        // welded, over all meshes
  int trainingFrames = 0;  // the largest training range of a mesh
  int boneLimit = 0;       // the largest limit a mesh was solved with
  int keptVertices = 0;    // vertices that kept the file's weights
  // Seconds per stage: "import", "sampling" (Delta Mush and skin samples, the
  // solve's and the report's), "distances", "search", "export" (the file and
  // the picture), "other"; and "total".
  std::map<std::string, double> seconds;
  BakeSummary summary;  // everything --summary writes
  long reviewBytes = 0;  // the review page's size, 0 without one
};

int RunBake(const CharacterOptions& o, std::ostream& out, std::ostream& err, BakeStats* stats = nullptr);
