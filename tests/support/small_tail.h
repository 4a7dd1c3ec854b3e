// The built-in sample tail at a size tests bake in a moment: 30 rings of 10
// vertices (302 with the tips, 600 triangles) on five joints, with clips
// "wave", "sway" and "curl" as asked.
#pragma once
#include <string>

#include "cli/sample_characters/demo_character.h"
#include "tests/support/temp_dir.h"

inline std::string WriteSmallTail(const TempDir& dir, int clips, const std::string& name = "tail.glb") {
  DemoCharacterShape shape;
  shape.rings = 30;
  shape.segments = 10;
  shape.clips = clips;
  return dir.Write(name, MakeDemoCharacterGlb(shape));
}
