// The built-in sample character: a ridged tail of about 10,000 vertices on a
// chain of five bones, with a crude linear skin that shears at every joint
// and a short "wave" clip, as a GLB file.
#pragma once
#include <string>

std::string MakeDemoCharacterGlb();
