#include "win_services.h"

#include <unistd.h>

#include <thread>

BOOL DisableThreadLibraryCalls(HINSTANCE) { return TRUE; }

void GetSystemInfo(SYSTEM_INFO* info) {
  if (!info) return;
  const unsigned n = std::thread::hardware_concurrency();
  info->dwNumberOfProcessors = n > 0 ? n : 1;
  const long page = sysconf(_SC_PAGESIZE);
  info->dwPageSize = page > 0 ? static_cast<DWORD>(page) : 4096;
}

void UseLanguagePackLocale(HINSTANCE /*hModule*/) {}
