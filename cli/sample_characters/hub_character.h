// A ball on a star of bones: a centre joint and fourteen spokes (the six
// axes and the eight diagonals) reaching to the surface. Its crude skin puts
// each vertex wholly on the spoke it lies nearest, so that many bones meet at
// every patch's corners: there Delta Mush blends them, and the solve gives
// such vertices five bones or more, as real characters' shoulders and hips
// have. Clips "wobble" (the spokes swing) and "spin" (they turn about
// themselves), each starting at the bind pose.
#pragma once
#include <string>

struct HubCharacterShape {
  int rings = 24;     // latitude rings of the ball
  int segments = 48;  // vertices around each ring
};

std::string MakeHubCharacterGlb(const HubCharacterShape& shape = {});
