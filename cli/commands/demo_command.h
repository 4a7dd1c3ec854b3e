// `fernwick demo`: the built-in sample tail baked into a GLB with its report
// picture; with --obj, the sample limb deformed and written as OBJ files.
#pragma once
#include <ostream>
#include <string>

// Writes demo_source.glb, then bakes it into demo.glb, demo_report.png and
// demo_review.html in dir.
int RunCharacterDemo(const std::string& dir, const std::string& pluginPath, std::ostream& out, std::ostream& err);
int RunDemo(const std::string& outDir, std::ostream& out, std::ostream& err);
