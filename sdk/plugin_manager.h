// Stand-in host: the plug-in manager. It maps plug-in libraries and keeps
// the registry of class descriptors through which objects are created
// (scene loading finds classes here by id).
//
// A plug-in library exports, with C linkage:
//   const MCHAR* LibDescription();  int LibNumberClasses();
//   ClassDesc* LibClassDesc(int i);  ULONG LibVersion();
//   int LibInitialize();  int LibShutdown();
// and optionally BOOL DllMain(HINSTANCE, DWORD reason, void*), which the
// host calls with DLL_PROCESS_ATTACH after mapping the library and
// DLL_PROCESS_DETACH before unmapping it. The module handle (HINSTANCE) is
// the handle the dynamic loader returned; string resources come from the
// library's HostModuleResources export (string_resources.h).
#pragma once
#include <string>
#include <vector>

#include "class_desc.h"

constexpr DWORD DLL_PROCESS_DETACH = 0;
constexpr DWORD DLL_PROCESS_ATTACH = 1;

// One mapped plug-in library.
class DllDesc {
 public:
  const std::string& GetPath() const { return path_; }
  HINSTANCE GetHandle() const { return handle_; }
  // LibDescription's text, copied at load.
  const MSTR& GetDescription() const { return description_; }
  ULONG GetVersion() const { return version_; }
  int NumClasses() const { return static_cast<int>(classes_.size()); }
  ClassDesc* GetClassDesc(int i) const { return i >= 0 && i < NumClasses() ? classes_[i] : nullptr; }

 private:
  friend DllDesc* LoadPlugin(const std::string&, std::string*);
  friend bool UnloadPlugin(DllDesc*);
  std::string path_;
  HINSTANCE handle_ = nullptr;
  MSTR description_;
  ULONG version_ = 0;
  std::vector<ClassDesc*> classes_;
  int (*shutdown_)() = nullptr;
};

// Maps the library, runs DllMain and LibInitialize and registers its classes.
// nullptr on failure, with the reason in *error (and LastPluginError()).
DllDesc* LoadPlugin(const std::string& path, std::string* error = nullptr);
// Unregisters the library's classes, runs LibShutdown and DllMain (detach)
// and unmaps it. The scene must hold no objects of its classes any more.
bool UnloadPlugin(DllDesc* dll);
void UnloadAllPlugins();
int NumPlugins();
DllDesc* GetPlugin(int i);
const std::string& LastPluginError();

// Classes known to the host: those of loaded plug-ins and any the host
// registers itself (not owned).
void RegisterClassDesc(ClassDesc* cd);
void UnregisterClassDesc(ClassDesc* cd);
ClassDesc* FindClassDesc(SClass_ID superID, Class_ID classID);
ClassDesc* FindClassDesc(Class_ID classID);
// By ClassName or InternalName.
ClassDesc* FindClassDescByName(const MCHAR* name);
