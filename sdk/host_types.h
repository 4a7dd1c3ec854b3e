// Stand-in host: the plain Windows-style and host scalar types that the
// plug-in interfaces are written in.
#pragma once
#include <cstdint>
#include <string>

using BOOL = int;
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

using BYTE = std::uint8_t;
using USHORT = std::uint16_t;
using UINT = unsigned int;
using DWORD = std::uint32_t;  // same alias as mesh.h
using ULONG = std::uint32_t;  // 32 bits, as on the host's platform
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LPVOID = void*;

// Window handles point at the host's headless window records (window.h).
struct HWND__;
using HWND = HWND__*;
// A module handle is the handle the dynamic loader gave for the library.
using HINSTANCE = void*;

using MCHAR = wchar_t;
using MSTR = std::wstring;
using TSTR = std::wstring;

// Host time in ticks.
using TimeValue = int;

inline constexpr unsigned LOWORD(std::uintptr_t v) { return static_cast<unsigned>(v & 0xFFFFu); }
inline constexpr unsigned HIWORD(std::uintptr_t v) { return static_cast<unsigned>((v >> 16) & 0xFFFFu); }

// Parameter-block identities (param_block_desc.h).
using BlockID = short;
using ParamID = short;
using MapID = int;
using StringResID = INT_PTR;
