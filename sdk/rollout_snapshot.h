// Stand-in host: pictures of rollouts as SVG, for looking at a rollout
// without a window toolkit.
//
// Positions are the template's dialog units at 2 px per unit across and down
// (square units: the layout is shown as designed, without font metrics).
// Each rollout has a title bar of 10 units ("-" open, "+" collapsed; the body
// of a collapsed rollout is not drawn); the command panel stacks its open
// rollouts with 3 units between them. Every control is a <g> with
// class="ctl KIND [checked] [disabled]" and data-id; disabled controls are
// drawn grey. Bound controls show their parameters' current values.
#pragma once
#include <string>

#include "host_types.h"

std::string RenderRolloutSvg(HWND rollout);
// Every open rollout of the command panel, in order.
std::string RenderCommandPanelSvg();

// Written atomically (atomic_write.h). A path ending in ".html" or ".htm"
// gets the picture inside a self-contained page. False with the reason when
// hWnd is no open rollout or the file cannot be written.
bool WriteRolloutSnapshot(HWND rollout, const std::string& path, std::string& error);
bool WriteCommandPanelSnapshot(const std::string& path, std::string& error);
