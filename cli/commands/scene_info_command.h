// `fernwick scene info FILE`: what a scene file holds, as the host loads it.
#pragma once
#include <ostream>
#include <string>

// snapshotPath: when given, the Fernwick rollout of the first node that has
// one is opened and drawn there (SVG, or HTML for a .html name).
int RunSceneInfo(const std::string& path, const std::string& pluginPath, const std::string& snapshotPath,
                 std::ostream& out, std::ostream& err);
