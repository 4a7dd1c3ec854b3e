// The "Parameters" rollout's dialog procedure: records the rollout window,
// refreshes it, and turns each push button into its command.
#pragma once
#include "../sdk/param_map.h"

class Fernwick;

class FernwickDlgProc : public ParamMap2UserDlgProc {
 public:
  explicit FernwickDlgProc(Fernwick* m) : mod(m) {}
  INT_PTR DlgProc(TimeValue t, IParamMap2* map, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  void DeleteThis() override { delete this; }

  Fernwick* mod;  // not owned
};
