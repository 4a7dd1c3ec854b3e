// Library entry and the exports through which the host learns of the class.
#include "fernwick_plugin.h"

#include "../sdk/plugin_manager.h"
#include "../sdk/string_resources.h"
#include "../sdk/win_services.h"
#include "fernwick_class_desc.h"
#include "fernwick_ids.h"

HINSTANCE hInstance = nullptr;

namespace {
MCHAR stringBuffer[256];
}

const MCHAR* GetString(int id) {
  if (!hInstance) return nullptr;
  return LoadStringW(hInstance, id, stringBuffer, static_cast<int>(sizeof stringBuffer / sizeof stringBuffer[0])) > 0
             ? stringBuffer
             : nullptr;
}

#define FERNWICK_EXPORT extern "C" __attribute__((visibility("default")))

FERNWICK_EXPORT BOOL DllMain(HINSTANCE hinstDLL, DWORD fdwReason, void* /*lpvReserved*/) {
  if (fdwReason == DLL_PROCESS_ATTACH) {
    UseLanguagePackLocale(hinstDLL);
    hInstance = hinstDLL;
    DisableThreadLibraryCalls(hinstDLL);
  }
  return TRUE;
}

FERNWICK_EXPORT const MCHAR* LibDescription() { return GetString(IDS_LIBDESCRIPTION); }
FERNWICK_EXPORT int LibNumberClasses() { return 1; }
FERNWICK_EXPORT ClassDesc* LibClassDesc(int i) { return i == 0 ? GetFernwickDesc() : nullptr; }
FERNWICK_EXPORT ULONG LibVersion() { return 0x55F03700; }
FERNWICK_EXPORT int LibInitialize() { return TRUE; }
FERNWICK_EXPORT int LibShutdown() { return TRUE; }
