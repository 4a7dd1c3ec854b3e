#include "fernwick_dlg_proc.h"

#include "../frame/fernwick.h"
#include "../sdk/window.h"

INT_PTR FernwickDlgProc::DlgProc(TimeValue /*t*/, IParamMap2* /*map*/, HWND hWnd, UINT msg, WPARAM wParam,
                                 LPARAM /*lParam*/) {
  switch (msg) {
    case WM_INITDIALOG:
      mod->hWndRollout = hWnd;
      mod->RefreshRollout();
      break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_EXTRACT_STATE:
          mod->CaptureRestState();
          break;
        default:
          // Check boxes and the "Show" button belong to the parameter map.
          break;
      }
      break;
    default:
      break;
  }
  return FALSE;
}
