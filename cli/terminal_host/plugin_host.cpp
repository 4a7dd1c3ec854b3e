#include "cli/terminal_host/plugin_host.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "frame/fernwick_ids.h"
#include "sdk/class_desc.h"
#include "sdk/interface.h"
#include "sdk/load_log.h"
#include "sdk/scene_file.h"
#include "sdk/utf8.h"

namespace {

std::string ProgramDir() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

}  // namespace

ClassDesc2* LoadFernwick(const std::string& explicitPath, std::string& error) {
  if (ClassDesc* loaded = FindClassDesc(OSM_CLASS_ID, FERNWICK_CLASS_ID)) return static_cast<ClassDesc2*>(loaded);
  std::vector<std::string> candidates;
  if (!explicitPath.empty()) {
    candidates.push_back(explicitPath);
  } else {
    const std::string dir = ProgramDir();
    if (!dir.empty()) candidates.push_back(dir + "/../plugins/Fernwick.dlm");
#ifdef FERNWICK_PLUGIN_PATH
    candidates.push_back(FERNWICK_PLUGIN_PATH);
#endif
  }
  std::string tried;
  for (const std::string& path : candidates) {
    if (explicitPath.empty() && !std::filesystem::exists(path)) {
      tried += (tried.empty() ? "" : ", ") + path;
      continue;
    }
    std::string why;
    DllDesc* dll = LoadPlugin(path, &why);
    if (!dll) {
      error = "cannot load the Fernwick plug-in: " + why;
      return nullptr;
    }
    // The scene holds the plug-in's objects: empty it before the library goes.
    static const bool unloadAtExit = std::atexit([] {
      GetCOREInterface()->ResetScene();
      UnloadAllPlugins();
    }) == 0;
    (void)unloadAtExit;
    for (int i = 0; i < dll->NumClasses(); ++i) {
      ClassDesc* cd = dll->GetClassDesc(i);
      if (cd && cd->ClassID() == FERNWICK_CLASS_ID) return static_cast<ClassDesc2*>(cd);
    }
    error = path + " holds no Fernwick class";
    return nullptr;
  }
  error = "cannot find the Fernwick plug-in (looked for " + tried + "); give its path with --plugin";
  return nullptr;
}

bool OpenSceneFile(const std::string& path, std::ostream& warnings, std::string& error) {
  if (!LoadScene(path, error)) return false;
  for (const MSTR& line : LoadLog()) warnings << "warning: " << path << ": " << WideToUtf8(line) << "\n";
  return true;
}

Modifier* CreateFernwick(ClassDesc2* desc) { return desc ? static_cast<Modifier*>(desc->Create(FALSE)) : nullptr; }

void CloseHostSession() { GetCOREInterface()->ResetScene(); }
