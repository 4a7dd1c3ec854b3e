// `fernwick solve SCENE -o OUT`: the "Solve Skin weights" button on a scene,
// with a fit report before and after.
#pragma once
#include <iostream>
#include <optional>
#include <string>

struct SolveOptions {
  std::string scenePath;
  std::string outPath;
  std::string nodeName;
  std::string pluginPath;
  std::string dumpPath;  // solve inputs for external tools, when given
  std::optional<int> startFrame, endFrame, boneLimit, iterations;
  bool boneLimitAuto = false;  // the smallest limit from 5 to 8 that keeps every heaviest bone
  bool yes = false;
};

int RunSolve(const SolveOptions& options, std::istream& in, std::ostream& out, std::ostream& err);
