#include "rollout.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>

#include "class_desc.h"
#include "interface.h"
#include "param_map.h"

std::vector<RolloutInfo> GetOpenRollouts() {
  std::vector<RolloutInfo> out;
  HWND panel = GetCOREInterface()->GetCommandPanelHWnd();
  if (!IsWindow(panel)) return out;
  for (HWND w : panel->children)
    if (w->map) out.push_back({w, w->map, w->map->GetTitle(), w->map->IsRollupOpen()});
  return out;
}

HWND FindOpenRollout(const MCHAR* title) {
  if (!title) return nullptr;
  for (const RolloutInfo& r : GetOpenRollouts())
    if (r.title == title) return r.hWnd;
  return nullptr;
}

HWND GetRolloutWindow(ClassDesc2* cd, ParamBlockDesc2* pbd) {
  IParamMap2* map = cd && pbd ? cd->GetParamMap(pbd) : nullptr;
  return map ? map->GetHWnd() : nullptr;
}

IParamMap2* GetRolloutMap(HWND hWnd) { return IsWindow(hWnd) ? hWnd->map : nullptr; }

namespace {

// The control of a rollout that may take a user action, or nullptr.
HWND ActionTarget(HWND rollout, int id) {
  if (!GetRolloutMap(rollout) || !rollout->enabled) return nullptr;
  HWND c = GetDlgItem(rollout, id);
  return c && c->enabled ? c : nullptr;
}

bool IsAutoCheck(HWND c) {
  const DWORD type = c->style & 0xF;
  return type == 0x3 || type == 0x6;  // BS_AUTOCHECKBOX, BS_AUTO3STATE
}

}  // namespace

bool PressButton(HWND rollout, int id) {
  HWND c = ActionTarget(rollout, id);
  if (!c) return false;
  if (c->kind != ControlKind::PushButton && c->kind != ControlKind::CheckBox &&
      c->kind != ControlKind::RadioButton && c->kind != ControlKind::CustButton)
    return false;
  IParamMap2* map = rollout->map;
  const TimeValue t = GetCOREInterface()->GetTime();
  const ParamDef* d = map->FindParamForControl(id);
  IParamBlock2* pb = map->GetParamBlock();
  if (d && pb && (d->ctrl_type == TYPE_SINGLECHEKBOX || d->ctrl_type == TYPE_CHECKBUTTON)) {
    map->SetValueFromControl(d->ID, t, pb->GetInt(d->ID, t) ? FALSE : TRUE);
  } else if (d && pb && d->ctrl_type == TYPE_RADIO) {
    const auto at = std::find(d->ctrl_IDs.begin(), d->ctrl_IDs.end(), id) - d->ctrl_IDs.begin();
    map->SetValueFromControl(d->ID, t, static_cast<int>(at));
  } else if ((c->kind == ControlKind::CheckBox && IsAutoCheck(c)) ||
             (c->kind == ControlKind::CustButton && c->checkButton)) {
    c->checked = !c->checked;
  } else if (c->kind == ControlKind::RadioButton && (c->style & 0xF) == 0x9) {
    // An unbound auto radio button: the one clicked is chosen, its group
    // (the radio buttons around it in template order) cleared.
    auto& sib = rollout->children;
    const auto self = std::find(sib.begin(), sib.end(), c);
    for (auto it = self; it != sib.begin() && (*(it - 1))->kind == ControlKind::RadioButton;) (*--it)->checked = false;
    for (auto it = self + 1; it != sib.end() && (*it)->kind == ControlKind::RadioButton; ++it) (*it)->checked = false;
    c->checked = true;
  }
  // Setting a parameter may have closed the rollout (its owner's handler).
  if (!IsWindow(rollout) || rollout->map != map) return true;
  map->UpdateUI(t);
  // The procedure may close the rollout: nothing of it is touched after.
  if (ParamMap2UserDlgProc* proc = map->GetUserDlgProc())
    proc->DlgProc(t, map, rollout, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), BN_CLICKED), 0);
  return true;
}

bool EnterValue(HWND rollout, int editOrSpinnerId, double value) {
  HWND c = ActionTarget(rollout, editOrSpinnerId);
  if (!c || !std::isfinite(value)) return false;
  IParamMap2* map = rollout->map;
  const ParamDef* d = map->FindParamForControl(editOrSpinnerId);
  if (!d || d->ctrl_type != TYPE_SPINNER) return false;
  const TimeValue t = GetCOREInterface()->GetTime();
  if (d->edit_type == EDITTYPE_INT) value = std::round(value);
  BOOL ok = FALSE;
  if (d->type == TYPE_FLOAT) {
    ok = map->SetValueFromControl(d->ID, t, static_cast<float>(std::clamp(value, -double(FLT_MAX), double(FLT_MAX))));
  } else {
    const double v = std::clamp(std::round(value), double(INT_MIN), double(INT_MAX));
    ok = map->SetValueFromControl(d->ID, t, static_cast<int>(v));
  }
  if (IsWindow(rollout) && rollout->map == map) map->UpdateUI(t);
  return ok != FALSE;
}
