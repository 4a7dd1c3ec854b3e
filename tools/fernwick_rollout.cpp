// The rollout's texts and enabled states, from the modifier's state.
#include <cstdio>
#include <cwchar>

#include "../frame/fernwick.h"
#include "../sdk/custom_controls.h"
#include "../sdk/window.h"

void Fernwick::RefreshRollout() {
  HWND hWnd = hWndRollout;
  if (!hWnd || !IsWindow(hWnd)) return;

  EnableWindow(GetDlgItem(hWnd, IDC_CREATE_ANIMATION), proxyCreated ? FALSE : TRUE);
  EnableWindow(GetDlgItem(hWnd, IDC_REPLACE_PROXY), proxyCreated ? TRUE : FALSE);

  ICustButton* show = GetICustButton(GetDlgItem(hWnd, IDC_SHOW_STATE));
  if (restMesh) {
    wchar_t text[64];
    std::swprintf(text, 64, L"OK, V: %d, T: %d", restMesh->numVerts, restMesh->numFaces);
    SetWindowTextW(GetDlgItem(hWnd, IDC_STATE_LABEL), text);
    if (show) show->Enable(TRUE);
  } else if (show) {
    show->Enable(FALSE);
  }
  if (show) ReleaseICustButton(show);

  const int n = GetIntParam(pb_solverIterations);
  float accuracy = 1.0f;
  for (int i = 1; i < n; ++i) accuracy *= 0.5f;
  wchar_t text[32];
  std::swprintf(text, 32, L"%.4f", static_cast<double>(accuracy));
  SetWindowTextW(GetDlgItem(hWnd, IDC_ACCURACY_LABEL), text);
}
