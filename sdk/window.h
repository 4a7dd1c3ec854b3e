// Stand-in host: headless windows. A window is a record with an id, a text,
// an enabled state, a parent and the children it owns; nothing is drawn.
#pragma once
#include <string>
#include <vector>

#include "host_types.h"

constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;

struct HWND__ {
  int id = 0;
  std::wstring text;
  bool enabled = true;
  HWND parent = nullptr;
  std::vector<HWND> children;  // owned
};

// A new window, owned by parent when one is given.
HWND CreateHeadlessWindow(HWND parent, int id, const wchar_t* text);
// Destroys the window and its children and detaches it from its parent.
BOOL DestroyWindow(HWND hWnd);
// Whether hWnd is a window that has not been destroyed.
BOOL IsWindow(HWND hWnd);
