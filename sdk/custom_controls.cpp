#include "custom_controls.h"

#include "param_map.h"

void ICustButton::Enable(BOOL onOff) { EnableWindow(hWnd_, onOff); }

BOOL ICustButton::IsEnabled() { return IsWindowEnabled(hWnd_); }

void ICustButton::SetType(CustButType type) {
  if (IsWindow(hWnd_)) hWnd_->checkButton = type == CBT_CHECK;
}

BOOL ICustButton::IsCheckButton() { return IsWindow(hWnd_) && hWnd_->checkButton ? TRUE : FALSE; }

void ICustButton::SetCheck(BOOL checked) {
  if (IsWindow(hWnd_)) hWnd_->checked = checked != FALSE;
}

BOOL ICustButton::IsChecked() {
  if (!IsWindow(hWnd_)) return FALSE;
  // A bound button shows its parameter as it is now.
  if (hWnd_->parent && hWnd_->parent->map) hWnd_->parent->map->UpdateControl(hWnd_);
  return hWnd_->checked ? TRUE : FALSE;
}

void ICustButton::SetText(const MCHAR* text) { SetWindowTextW(hWnd_, text); }

void ICustButton::GetText(MCHAR* text, int size) { GetWindowTextW(hWnd_, text, size); }

ICustButton* GetICustButton(HWND hWnd) {
  if (!IsWindow(hWnd) || hWnd->kind != ControlKind::CustButton) return nullptr;
  return new ICustButton(hWnd);
}

void ReleaseICustButton(ICustButton* button) { delete button; }
