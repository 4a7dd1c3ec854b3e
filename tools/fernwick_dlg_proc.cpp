#include "fernwick_dlg_proc.h"

#include "../frame/fernwick.h"
#include "../sdk/window.h"
#include "../solver/command/solve_command.h"
#include "rig_tools.h"

INT_PTR FernwickDlgProc::DlgProc(TimeValue t, IParamMap2* /*map*/, HWND hWnd, UINT msg, WPARAM wParam,
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
        case IDC_DUPLICATE:
          DuplicateModifier(mod);
          break;
        case IDC_BIND_NEAREST:
          BindWithNearestBones(mod, t);
          break;
        case IDC_CREATE_ANIMATION:
          CreateInputAnimation(mod);
          break;
        case IDC_REPLACE_PROXY:
          ReplaceAndRemoveProxy(mod);
          break;
        case IDC_SOLVE:
          SolveSkinWeights(mod);
          break;
        case IDC_UNDO:
          RestoreSkinWeights(mod);
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
