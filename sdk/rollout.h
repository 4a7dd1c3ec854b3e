// Stand-in host: the rollouts of the command panel and the user's actions on
// their controls, for tests and the command-line program.
//
// A rollout is the window of an open parameter map (param_map.h); its
// controls are the children made from the map's dialog template.
#pragma once
#include <vector>

#include "host_types.h"
#include "window.h"

class ClassDesc2;
class IParamMap2;
class ParamBlockDesc2;

struct RolloutInfo {
  HWND hWnd = nullptr;
  IParamMap2* map = nullptr;
  MSTR title;
  bool open = true;  // false: collapsed (APPENDROLL_CLOSED)
};

// The open rollouts of the command panel, in the order they were opened
// (a class's descriptors in their order: "Parameters", then "About").
std::vector<RolloutInfo> GetOpenRollouts();
// The first open rollout with that title, or nullptr.
HWND FindOpenRollout(const MCHAR* title);
// The rollout of a descriptor's open map, or nullptr.
HWND GetRolloutWindow(ClassDesc2* cd, ParamBlockDesc2* pbd);
// The map a rollout shows, or nullptr when hWnd is no rollout.
IParamMap2* GetRolloutMap(HWND hWnd);

// Clicks button id of the rollout. A bound check box or check button toggles
// its parameter (and a bound radio button chooses itself) through
// IParamMap2::SetValueFromControl; an unbound auto check box or check button
// toggles its own state. Then the map's user dialog procedure gets
// WM_COMMAND with MAKEWPARAM(id, BN_CLICKED) and lParam 0. False, and
// nothing happens, when the control is missing, is no button, or it or the
// rollout is disabled.
bool PressButton(HWND rollout, int id);

// Types value into the edit of a spinner-bound parameter (id names the edit
// or the spinner): rounded for EDITTYPE_INT, clamped to the parameter's range
// and set through IParamMap2::SetValueFromControl at the current time. False
// when the control is missing, not bound to a spinner parameter, disabled,
// or value is not a number.
bool EnterValue(HWND rollout, int editOrSpinnerId, double value);
