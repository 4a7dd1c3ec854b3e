// Stand-in host: string resources of a module.
//
// A module carries its resources as a resource-script text that it exports
// through a C function named HostModuleResources (define it with
// HOST_MODULE_RESOURCES). The host reads the script's STRINGTABLE blocks:
//
//   STRINGTABLE
//   BEGIN
//     1 "Text"
//     IDS_NAME "Text with \"quotes\" and \\"
//   END
//
// Ids are decimal, 0x hexadecimal, or names given by "#define NAME value"
// lines; text is UTF-8 with the escapes \" \\ \n \t (and "" for a quote).
// Other blocks (dialog templates) are skipped here.
#pragma once
#include <map>
#include <string>

#include "host_types.h"

#define HOST_MODULE_RESOURCES_SYMBOL "HostModuleResources"
#define HOST_MODULE_RESOURCES(scriptText)                                                    \
  extern "C" __attribute__((visibility("default"))) const char* HostModuleResources() { \
    return scriptText;                                                                   \
  }

using StringTable = std::map<UINT, std::wstring>;

// Adds the strings of every STRINGTABLE block of script to table.
void ParseStringTable(const char* script, StringTable& table);

// The resource script a module exports, or nullptr.
const char* GetModuleResourceScript(HINSTANCE hInstance);

// Copies string uID of the module into buffer (at most bufferMax - 1
// characters and a terminating zero); returns the characters copied, 0 when
// the module has no such string.
int LoadStringW(HINSTANCE hInstance, UINT uID, wchar_t* buffer, int bufferMax);

// Drops what was read from a module that is being unloaded.
void ForgetModuleResources(HINSTANCE hInstance);
