// `fernwick press SCENE "CAPTION"... -o OUT`: presses rollout buttons in order
// and saves the scene.
#pragma once
#include <iostream>
#include <string>
#include <vector>

struct PressOptions {
  std::string scenePath;
  std::vector<std::string> buttons;
  std::string outPath;
  std::string nodeName;
  std::string pluginPath;
  bool yes = false;
};

int RunPress(const PressOptions& options, std::istream& in, std::ostream& out, std::ostream& err);
