#include "plugin_manager.h"

#include <dlfcn.h>

#include <algorithm>
#include <cwchar>

#include "string_resources.h"

namespace {

std::vector<DllDesc*>& Plugins() {
  static std::vector<DllDesc*> plugins;
  return plugins;
}

std::vector<ClassDesc*>& Classes() {
  static std::vector<ClassDesc*> classes;
  return classes;
}

std::string& LastError() {
  static std::string error;
  return error;
}

template <typename Fn>
Fn Export(void* handle, const char* name) {
  return reinterpret_cast<Fn>(dlsym(handle, name));
}

bool SameName(const MCHAR* a, const MCHAR* b) { return a && b && std::wcscmp(a, b) == 0; }

}  // namespace

DllDesc* LoadPlugin(const std::string& path, std::string* error) {
  auto fail = [&](const std::string& why) -> DllDesc* {
    LastError() = why;
    if (error) *error = why;
    return nullptr;
  };
  // The code stays mapped after unloading: objects, threads or exit handlers
  // may still point into it, and the library is never needed gone.
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!h) {
    const char* why = dlerror();
    return fail("cannot load plug-in " + path + ": " + (why ? why : "unknown error"));
  }
  using DescriptionFn = const MCHAR* (*)();
  using CountFn = int (*)();
  using ClassFn = ClassDesc* (*)(int);
  using VersionFn = ULONG (*)();
  using InitFn = int (*)();
  using MainFn = BOOL (*)(HINSTANCE, DWORD, void*);
  auto description = Export<DescriptionFn>(h, "LibDescription");
  auto count = Export<CountFn>(h, "LibNumberClasses");
  auto classDesc = Export<ClassFn>(h, "LibClassDesc");
  auto version = Export<VersionFn>(h, "LibVersion");
  auto init = Export<InitFn>(h, "LibInitialize");
  auto shutdown = Export<InitFn>(h, "LibShutdown");
  const char* missing = !description ? "LibDescription"
                        : !count     ? "LibNumberClasses"
                        : !classDesc ? "LibClassDesc"
                        : !version   ? "LibVersion"
                        : !init      ? "LibInitialize"
                        : !shutdown  ? "LibShutdown"
                                     : nullptr;
  if (missing) {
    dlclose(h);
    return fail("plug-in " + path + " does not export " + missing);
  }
  if (auto dllMain = Export<MainFn>(h, "DllMain")) dllMain(h, DLL_PROCESS_ATTACH, nullptr);
  if (!init()) {
    if (auto dllMain = Export<MainFn>(h, "DllMain")) dllMain(h, DLL_PROCESS_DETACH, nullptr);
    ForgetModuleResources(h);
    dlclose(h);
    return fail("plug-in " + path + " failed to initialize");
  }
  auto* dll = new DllDesc;
  dll->path_ = path;
  dll->handle_ = h;
  const MCHAR* text = description();
  dll->description_ = text ? text : L"";
  dll->version_ = version();
  dll->shutdown_ = shutdown;
  const int n = count();
  for (int i = 0; i < n; ++i)
    if (ClassDesc* cd = classDesc(i)) {
      dll->classes_.push_back(cd);
      RegisterClassDesc(cd);
    }
  Plugins().push_back(dll);
  return dll;
}

bool UnloadPlugin(DllDesc* dll) {
  auto& all = Plugins();
  auto it = std::find(all.begin(), all.end(), dll);
  if (it == all.end()) return false;
  all.erase(it);
  for (ClassDesc* cd : dll->classes_) UnregisterClassDesc(cd);
  dll->shutdown_();
  using MainFn = BOOL (*)(HINSTANCE, DWORD, void*);
  if (auto dllMain = Export<MainFn>(dll->handle_, "DllMain")) dllMain(dll->handle_, DLL_PROCESS_DETACH, nullptr);
  ForgetModuleResources(dll->handle_);
  dlclose(dll->handle_);
  delete dll;
  return true;
}

void UnloadAllPlugins() {
  while (!Plugins().empty()) UnloadPlugin(Plugins().back());
}

int NumPlugins() { return static_cast<int>(Plugins().size()); }
DllDesc* GetPlugin(int i) { return i >= 0 && i < NumPlugins() ? Plugins()[i] : nullptr; }
const std::string& LastPluginError() { return LastError(); }

void RegisterClassDesc(ClassDesc* cd) {
  if (cd && std::find(Classes().begin(), Classes().end(), cd) == Classes().end()) Classes().push_back(cd);
}

void UnregisterClassDesc(ClassDesc* cd) {
  Classes().erase(std::remove(Classes().begin(), Classes().end(), cd), Classes().end());
}

ClassDesc* FindClassDesc(SClass_ID superID, Class_ID classID) {
  for (ClassDesc* cd : Classes())
    if (cd->SuperClassID() == superID && cd->ClassID() == classID) return cd;
  return nullptr;
}

ClassDesc* FindClassDesc(Class_ID classID) {
  for (ClassDesc* cd : Classes())
    if (cd->ClassID() == classID) return cd;
  return nullptr;
}

ClassDesc* FindClassDescByName(const MCHAR* name) {
  for (ClassDesc* cd : Classes())
    if (SameName(cd->ClassName(), name) || SameName(cd->InternalName(), name)) return cd;
  return nullptr;
}
