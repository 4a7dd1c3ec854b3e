#include "cli/studio/panel_actions.h"

#include <cstdlib>

#include "cli/studio/request_error.h"
#include "cli/studio/scene_view.h"
#include "sdk/param_map.h"
#include "sdk/rollout.h"
#include "sdk/window.h"

namespace {

INode* CheckedNode(Interface* ip, int handle) {
  INode* node = handle > 0 ? NodeByHandle(ip, static_cast<ULONG>(handle)) : nullptr;
  if (!node) throw RequestError(400, "the scene has no node with handle " + std::to_string(handle));
  return node;
}

Modifier* CheckedModifier(Interface* ip, int handle, int position) {
  INode* node = CheckedNode(ip, handle);
  Modifier* mod = ModifierAt(node, position);
  if (!mod) throw RequestError(400, "the node has no modifier at stack position " + std::to_string(position));
  return mod;
}

HWND CheckedRollout(int rollout) {
  const std::vector<RolloutInfo> open = GetOpenRollouts();
  if (rollout < 0 || rollout >= static_cast<int>(open.size()))
    throw RequestError(400, "the command panel has no rollout " + std::to_string(rollout));
  return open[rollout].hWnd;
}

HWND CheckedControl(HWND rollout, int id) {
  HWND c = GetDlgItem(rollout, id);
  if (!c) throw RequestError(400, "the rollout has no control " + std::to_string(id));
  if (!IsWindowEnabled(rollout) || !IsWindowEnabled(c))
    throw RequestError(409, "control " + std::to_string(id) + " is disabled");
  return c;
}

const ParamDef& SpinnerParam(HWND rollout, int id) {
  const ParamDef* d = GetRolloutMap(rollout)->FindParamForControl(id);
  if (!d || d->ctrl_type != TYPE_SPINNER)
    throw RequestError(400, "control " + std::to_string(id) + " is not a spinner's edit");
  return *d;
}

}  // namespace

void PickNode(Interface* ip, int handle) {
  INode* node = CheckedNode(ip, handle);
  ip->SelectNode(node, 1);
  Modifier* shown = ip->GetModifyPanelModifier();
  bool onNode = false;
  for (int p = 0; Modifier* m = ModifierAt(node, p); ++p) onNode = onNode || m == shown;
  if (onNode) return;
  if (Modifier* top = ModifierAt(node, 0))
    ip->OpenModifyPanel(top);
  else
    ip->CloseModifyPanel();
}

void OpenStackModifier(Interface* ip, int handle, int position) {
  Modifier* mod = CheckedModifier(ip, handle, position);
  ip->SelectNode(CheckedNode(ip, handle), 1);
  ip->OpenModifyPanel(mod);
}

void SwitchStackModifier(Interface* ip, int handle, int position, bool on) {
  Modifier* mod = CheckedModifier(ip, handle, position);
  if (on)
    mod->EnableMod();
  else
    mod->DisableMod();
}

void PressControl(int rollout, int id) {
  HWND r = CheckedRollout(rollout);
  HWND c = CheckedControl(r, id);
  const ControlKind k = c->kind;
  if (k != ControlKind::PushButton && k != ControlKind::CheckBox && k != ControlKind::RadioButton &&
      k != ControlKind::CustButton)
    throw RequestError(400, "control " + std::to_string(id) + " is not a button");
  PressButton(r, id);
}

void EnterControlValue(int rollout, int id, double value) {
  HWND r = CheckedRollout(rollout);
  CheckedControl(r, id);
  SpinnerParam(r, id);
  EnterValue(r, id, value);
}

void SpinControl(int rollout, int id, int clicks) {
  HWND r = CheckedRollout(rollout);
  CheckedControl(r, id);
  const ParamDef& d = SpinnerParam(r, id);
  if (std::abs(clicks) > 1000) throw RequestError(400, "\"clicks\" must lie between -1000 and 1000");
  IParamBlock2* pb = GetRolloutMap(r)->GetParamBlock();
  const TimeValue t = GetCOREInterface()->GetTime();
  double value;
  if (d.type == TYPE_FLOAT) {
    const double step = d.edit_type == EDITTYPE_INT ? 1.0 : (d.scale > 0 ? d.scale : 0.1);
    value = pb->GetFloat(d.ID, t) + clicks * step;
  } else {
    value = pb->GetInt(d.ID, t) + clicks;
  }
  EnterValue(r, id, value);
}

void FoldRollout(int rollout, bool open) {
  HWND r = CheckedRollout(rollout);
  GetRolloutMap(r)->SetRollupOpen(open);
}
