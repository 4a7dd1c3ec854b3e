// The built-in sample character: a ridged tail on a chain of five bones, with
// a crude linear skin that shears at every joint and short clips, as a GLB
// file. By default about 10,000 vertices and one "wave" clip.
#pragma once
#include <string>

struct DemoCharacterShape {
  int rings = 199;      // vertex rings along the tail
  int segments = 50;    // vertices per ring
  // Clips, in this order: "wave" (every joint swings 25 degrees about the
  // front axis, once a second), "sway" (about the sideways axis), "curl"
  // (the joints bend one after another). 1 to 3.
  int clips = 1;
  // Authored as a Z-up tool exports: positions and joints with +Z up and -Y
  // front, under a root node that turns them to glTF's +Y up and +Z front.
  bool zUp = false;
};

std::string MakeDemoCharacterGlb(const DemoCharacterShape& shape = {});
