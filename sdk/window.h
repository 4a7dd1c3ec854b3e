// Stand-in host: headless windows. A window is a record with an id, a text,
// an enabled state, a parent and the children it owns; nothing is drawn.
// Rollout windows (param_map.h) own one child per control of their dialog
// template, carrying the control's window class, kind and position.
#pragma once
#include <string>
#include <vector>

#include "host_types.h"

class IParamMap2;

constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;

// Notification code of WM_COMMAND for a clicked button.
constexpr UINT BN_CLICKED = 0;
// State of check boxes (IsDlgButtonChecked, CheckDlgButton).
constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;

inline constexpr WPARAM MAKEWPARAM(unsigned lo, unsigned hi) {
  return static_cast<WPARAM>((lo & 0xFFFFu) | ((hi & 0xFFFFu) << 16));
}

// What a control is; decides how it takes user actions and how a snapshot
// draws it.
enum class ControlKind : int {
  Window = 0,   // not a control (rollouts, the command panel)
  PushButton,
  CheckBox,
  RadioButton,
  TextLeft,
  TextRight,
  TextCenter,
  GroupBox,
  Edit,
  CustEdit,
  Spinner,
  CustButton,
  Other,        // a window class the host does not know; shown as a box
};

// The kind's name in snapshots and pages ("pushbutton", "text-left", ...).
const char* ControlKindName(ControlKind k);

struct HWND__ {
  int id = 0;
  std::wstring text;
  bool enabled = true;
  HWND parent = nullptr;
  std::vector<HWND> children;  // owned

  // Controls made from a dialog template (dialog units, relative to the
  // parent's client area); rollouts carry their template's size.
  ControlKind kind = ControlKind::Window;
  std::wstring className;
  DWORD style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  bool checked = false;      // check boxes, radio buttons, check buttons
  bool checkButton = false;  // a CustButton that latches when pressed
  IParamMap2* map = nullptr;  // on a rollout window: the map it shows
};

// A new window, owned by parent when one is given.
HWND CreateHeadlessWindow(HWND parent, int id, const wchar_t* text);
// Destroys the window and its children and detaches it from its parent.
BOOL DestroyWindow(HWND hWnd);
// Whether hWnd is a window that has not been destroyed.
BOOL IsWindow(HWND hWnd);

// Win32-style services on the headless windows. A control bound to a
// parameter shows the parameter's value at the host's current time: its
// text and checked state are brought up to date whenever they are read
// through these functions.
//
// The first direct child of dlg with that id, or nullptr.
HWND GetDlgItem(HWND dlg, int id);
int GetDlgCtrlID(HWND hWnd);
// Returns TRUE when the window was disabled before the call.
BOOL EnableWindow(HWND hWnd, BOOL enable);
BOOL IsWindowEnabled(HWND hWnd);
BOOL SetWindowTextW(HWND hWnd, const wchar_t* text);
// Copies at most maxCount - 1 characters and a terminating zero; returns
// the characters copied.
int GetWindowTextW(HWND hWnd, wchar_t* buffer, int maxCount);
int GetWindowTextLengthW(HWND hWnd);
BOOL SetDlgItemTextW(HWND dlg, int id, const wchar_t* text);
UINT GetDlgItemTextW(HWND dlg, int id, wchar_t* buffer, int maxCount);
// The whole text of a window (empty for none); the convenient form for
// tests and programs.
std::wstring GetWindowTextString(HWND hWnd);
// Check boxes, radio buttons and check buttons.
BOOL CheckDlgButton(HWND dlg, int id, UINT check);
UINT IsDlgButtonChecked(HWND dlg, int id);
