// The script texts the plug-in hands to the host's script engine, written
// out as the plug-in must send them: the engine tests run them, the plug-in
// tests compare what the plug-in actually sends against them.
#pragma once
#include <string>
#include <vector>

#include "../../sdk/host_types.h"

inline const wchar_t* const kClosingScript =
    L"obj = $\nfor m in obj.modifiers do\nif (classof m as string == \"Fernwick\") then m.enabled = false\n"
    L"clearSelection\nselect obj";

inline const wchar_t* const kAnimationText =
    L"curFNWKMod = modPanel.getCurrentObject()\n"
    L"kat = 30.0\n"
    L"fstep = 1\n"
    L"tmpSlider = sliderTime\n"
    L"timeIntervalFnwk = interval (tmpSlider) (tmpSlider+(kostkiHandles.count * 4)+1)\n"
    L"if (animationRange.end < timeIntervalFnwk.end) then animationRange = timeIntervalFnwk\n"
    L"with redraw off(\n"
    L"for objHandle in kostkiHandles do(\n"
    L"obj = maxOps.getNodeByHandle objHandle\n"
    L"animate on(\n"
    L"rotate obj (angleaxis 1 [0,0,1])\n"
    L"rotate obj (angleaxis (-1) [0,0,1])\n"
    L"sliderTime += fstep\n"
    L"in coordsys local\n"
    L"rotate obj (angleaxis kat [0,0,1])\n"
    L"sliderTime += fstep\n"
    L"in coordsys local\n"
    L"rotate obj (angleaxis (-2.0*kat) [0,0,1])\n"
    L"sliderTime += fstep\n"
    L"in coordsys local\n"
    L"rotate obj (angleaxis kat [0,0,1])\n"
    L"in coordsys local\n"
    L"rotate obj (angleaxis (-1.0*kat) [0,1,0])\n"
    L"sliderTime += fstep\n"
    L"in coordsys local\n"
    L"rotate obj (angleaxis (2.0*kat) [0,1,0])\n"
    L"sliderTime += fstep\n"
    L"in coordsys local\n"
    L"rotate obj (angleaxis (-1.0*kat) [0,1,0])\n"
    L"sliderTime -= 1))\n"
    L"sliderTime += fstep)\n"
    L"sliderTime = tmpSlider\n"
    L"curFNWKMod.startframe = timeIntervalFnwk.start\n"
    L"curFNWKMod.endframe = timeIntervalFnwk.end";

inline const wchar_t* const kDuplicationScript =
    L"if (selection.count > 1) then\n"
    L"messageBox \"Fernwick modifier does not support modifier instancing.\\nThis operation can not be performed.\" "
    L"title:\"Fernwick\"\n"
    L"else(nmod = copy (modPanel.getCurrentObject())\n"
    L"addModifier $ nmod\n"
    L"modPanel.setCurrentObject ($.modifiers[1]))";

// The animation script for a handle list, built as the proxy command does.
inline std::wstring AnimationScript(const std::vector<ULONG>& handles) {
  std::wstring s = L"kostkiHandles = #(";
  for (size_t k = 0; k < handles.size(); ++k) {
    if (k) s += L", ";
    s += std::to_wstring(static_cast<int>(handles[k]));
  }
  return s + L")\n" + kAnimationText;
}

