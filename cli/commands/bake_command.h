// `fernwick bake`: import, the workflow's button presses and export in one
// go, with a fit report per clip and its picture.
//
// The training set is the solve's frame range: the rollout's proxy poses
// ("Create input animation"), optionally a wider range of motion keyed on the
// proxies, and clips of the file, keyed on the proxies after those poses (or,
// without proxies, on the rig's bones) one after another.
#pragma once
#include <ostream>

#include "cli/commands/character_import.h"

// Defaults, chosen by scoring held-out clips (bench/bench_training_sets): with
// clips, the proxy poses and a wide range of motion join them; without clips,
// the proxy poses alone carry over best.
extern const bool kBakeProxyPosesWithClips;
extern const RangeOfMotion kBakeRangeOfMotionWithClips;
extern const RangeOfMotion kBakeRangeOfMotionWithoutClips;

int RunBake(const CharacterOptions& o, std::ostream& out, std::ostream& err);
