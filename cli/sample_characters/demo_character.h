// The built-in sample character: a ridged tail of about 10,000 vertices on a
// chain of five bones, with a crude linear skin that shears at every joint
// and a short "wave" clip, as a GLB file.
#pragma once
#include <string>

// rings x segments around the tail, plus the two end points; the default is
// the demo's 9,952 vertices.
std::string MakeDemoCharacterGlb(int rings = 199, int segments = 50);
