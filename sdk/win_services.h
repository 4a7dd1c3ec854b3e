// Stand-in host: the remaining system services plug-ins call.
#pragma once
#include "host_types.h"

// Thread attach/detach notices are never sent here; always succeeds.
BOOL DisableThreadLibraryCalls(HINSTANCE hModule);

struct SYSTEM_INFO {
  DWORD dwNumberOfProcessors = 1;
  DWORD dwPageSize = 4096;
};
// Fills the processor count (logical processors) and page size.
void GetSystemInfo(SYSTEM_INFO* info);

// Makes the module's resources load in the host's interface language. The
// stand-in host has one language, so there is nothing to switch.
void UseLanguagePackLocale(HINSTANCE hModule);
