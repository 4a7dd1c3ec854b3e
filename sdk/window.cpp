#include "window.h"

#include <algorithm>
#include <set>

#include "param_map.h"

namespace {
std::set<HWND>& LiveWindows() {
  static std::set<HWND>* live = new std::set<HWND>;  // outlives every static
  return *live;
}

void DestroyTree(HWND w) {
  for (HWND c : w->children) DestroyTree(c);
  LiveWindows().erase(w);
  delete w;
}
}  // namespace

HWND CreateHeadlessWindow(HWND parent, int id, const wchar_t* text) {
  HWND w = new HWND__;
  w->id = id;
  w->text = text ? text : L"";
  if (parent && IsWindow(parent)) {
    w->parent = parent;
    parent->children.push_back(w);
  }
  LiveWindows().insert(w);
  return w;
}

BOOL DestroyWindow(HWND hWnd) {
  if (!IsWindow(hWnd)) return FALSE;
  if (hWnd->parent) {
    auto& sib = hWnd->parent->children;
    sib.erase(std::remove(sib.begin(), sib.end(), hWnd), sib.end());
  }
  DestroyTree(hWnd);
  return TRUE;
}

BOOL IsWindow(HWND hWnd) { return hWnd && LiveWindows().count(hWnd) ? TRUE : FALSE; }

namespace {
// A bound control shows its parameter as it is now.
void Sync(HWND w) {
  if (IsWindow(w) && w->parent && w->parent->map) w->parent->map->UpdateControl(w);
}
}  // namespace

HWND GetDlgItem(HWND dlg, int id) {
  if (!IsWindow(dlg)) return nullptr;
  for (HWND c : dlg->children)
    if (c->id == id) return c;
  return nullptr;
}

int GetDlgCtrlID(HWND hWnd) { return IsWindow(hWnd) ? hWnd->id : 0; }

BOOL EnableWindow(HWND hWnd, BOOL enable) {
  if (!IsWindow(hWnd)) return FALSE;
  const BOOL wasDisabled = hWnd->enabled ? FALSE : TRUE;
  hWnd->enabled = enable != FALSE;
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd) { return IsWindow(hWnd) && hWnd->enabled ? TRUE : FALSE; }

BOOL SetWindowTextW(HWND hWnd, const wchar_t* text) {
  if (!IsWindow(hWnd)) return FALSE;
  hWnd->text = text ? text : L"";
  return TRUE;
}

int GetWindowTextW(HWND hWnd, wchar_t* buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  buffer[0] = L'\0';
  if (!IsWindow(hWnd)) return 0;
  Sync(hWnd);
  const int n = std::min(static_cast<int>(hWnd->text.size()), maxCount - 1);
  hWnd->text.copy(buffer, static_cast<size_t>(n));
  buffer[n] = L'\0';
  return n;
}

int GetWindowTextLengthW(HWND hWnd) {
  if (!IsWindow(hWnd)) return 0;
  Sync(hWnd);
  return static_cast<int>(hWnd->text.size());
}

std::wstring GetWindowTextString(HWND hWnd) {
  if (!IsWindow(hWnd)) return {};
  Sync(hWnd);
  return hWnd->text;
}

BOOL SetDlgItemTextW(HWND dlg, int id, const wchar_t* text) { return SetWindowTextW(GetDlgItem(dlg, id), text); }

UINT GetDlgItemTextW(HWND dlg, int id, wchar_t* buffer, int maxCount) {
  return static_cast<UINT>(GetWindowTextW(GetDlgItem(dlg, id), buffer, maxCount));
}

BOOL CheckDlgButton(HWND dlg, int id, UINT check) {
  HWND c = GetDlgItem(dlg, id);
  if (!c) return FALSE;
  c->checked = check == BST_CHECKED;
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dlg, int id) {
  HWND c = GetDlgItem(dlg, id);
  if (!c) return BST_UNCHECKED;
  Sync(c);
  return c->checked ? BST_CHECKED : BST_UNCHECKED;
}

const char* ControlKindName(ControlKind k) {
  switch (k) {
    case ControlKind::PushButton: return "pushbutton";
    case ControlKind::CheckBox: return "checkbox";
    case ControlKind::RadioButton: return "radiobutton";
    case ControlKind::TextLeft: return "text-left";
    case ControlKind::TextRight: return "text-right";
    case ControlKind::TextCenter: return "text-center";
    case ControlKind::GroupBox: return "groupbox";
    case ControlKind::Edit: return "edit";
    case ControlKind::CustEdit: return "custedit";
    case ControlKind::Spinner: return "spinner";
    case ControlKind::CustButton: return "custbutton";
    case ControlKind::Window: return "window";
    case ControlKind::Other: break;
  }
  return "other";
}
