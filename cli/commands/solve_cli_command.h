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
  bool yes = false;
};

int RunSolve(const SolveOptions& options, std::istream& in, std::ostream& out, std::ostream& err);
