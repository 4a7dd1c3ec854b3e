// `fernwick scene info FILE`: what a scene file holds, as the host loads it.
#pragma once
#include <ostream>
#include <string>

int RunSceneInfo(const std::string& path, const std::string& pluginPath, std::ostream& out, std::ostream& err);
