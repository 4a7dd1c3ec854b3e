// The person's actions in the page, done on the stand-in host as its own
// controls would do them: picking a node, opening a modifier of its stack,
// switching a modifier on or off, and working the open rollouts' controls
// (through the stand-in's rollout services, so a button reaches the
// plug-in's dialog procedure and a spinner its parameter map). Run on the host
// thread. Each checks its request against the scene first and throws
// RequestError, with nothing changed, when the request does not fit.
#pragma once
#include "sdk/interface.h"

// Selects the node; the modify panel then shows its topmost modifier unless
// it already shows one of the node's.
void PickNode(Interface* ip, int handle);
// Selects the node and opens the modifier at `position` in the modify panel.
void OpenStackModifier(Interface* ip, int handle, int position);
void SwitchStackModifier(Interface* ip, int handle, int position, bool on);

// `rollout` indexes the command panel's open rollouts.
void PressControl(int rollout, int id);
// Types value into a spinner's edit (id names the edit or the spinner). A
// Fernwick's start frame after its end frame (or the end before the start)
// is refused with a message box and changes nothing.
void EnterControlValue(int rollout, int id, double value);
// Clicks a spinner's arrows `clicks` times (negative: down): one whole unit
// for an integer spinner, its scale for a float one (0.1 when it has none).
void SpinControl(int rollout, int id, int clicks);
void FoldRollout(int rollout, bool open);
