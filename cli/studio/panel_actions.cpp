#include "cli/studio/panel_actions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "cli/studio/request_error.h"
#include "cli/studio/scene_view.h"
#include "frame/fernwick_ids.h"
#include "sdk/class_desc.h"
#include "sdk/message_box.h"
#include "sdk/param_block_desc.h"
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

// The value a spinner takes for a typed one: rounded when whole, clamped.
double SpinnerValue(const ParamDef& d, double value) {
  if (d.edit_type == EDITTYPE_INT || d.type != TYPE_FLOAT) value = std::round(value);
  if (!d.has_range) return value;
  const bool whole = d.type != TYPE_FLOAT;
  const double low = whole ? d.range_low.i : d.range_low.f, high = whole ? d.range_high.i : d.range_high.f;
  return std::clamp(value, low, high);
}

// A Fernwick's solve range stays in order: the host refuses a start frame
// after the end frame, or an end before the start, with a message box, as it
// refuses a bad entry, and keeps the value.
bool RefusedFrameRange(HWND rollout, const ParamDef& d, double typed) {
  IParamMap2* map = GetRolloutMap(rollout);
  ParamBlockDesc2* desc = map->GetDesc();
  if (!desc || !desc->cd || desc->cd->ClassID() != FERNWICK_CLASS_ID) return false;
  if (d.ID != pb_startFrame && d.ID != pb_endFrame) return false;
  IParamBlock2* pb = map->GetParamBlock();
  const TimeValue t = GetCOREInterface()->GetTime();
  const int value = static_cast<int>(SpinnerValue(d, typed));
  const int start = pb->GetInt(pb_startFrame, t), end = pb->GetInt(pb_endFrame, t);
  std::wstring text;
  if (d.ID == pb_startFrame && value > end)
    text = L"Start frame " + std::to_wstring(value) + L" lies after End frame " + std::to_wstring(end) +
           L".\nType a start frame of " + std::to_wstring(end) + L" or less, or raise End frame first.";
  else if (d.ID == pb_endFrame && value < start)
    text = L"End frame " + std::to_wstring(value) + L" lies before Start frame " + std::to_wstring(start) +
           L".\nType an end frame of " + std::to_wstring(start) + L" or more, or lower Start frame first.";
  if (text.empty()) return false;
  MessageBoxW(rollout, text.c_str(), L"Fernwick studio", MB_OK | MB_ICONEXCLAMATION);
  map->UpdateUI(t);
  return true;
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
  if (RefusedFrameRange(r, SpinnerParam(r, id), value)) return;
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
  if (RefusedFrameRange(r, d, value)) return;
  EnterValue(r, id, value);
}

void FoldRollout(int rollout, bool open) {
  HWND r = CheckedRollout(rollout);
  GetRolloutMap(r)->SetRollupOpen(open);
}
