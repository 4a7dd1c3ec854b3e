// Stand-in host script engine: what scripts see of the host and the scene.
// Everything goes through the host's own interfaces (GetCOREInterface(),
// nodes, derived objects, modifiers, parameter blocks).
#pragma once
#include <string>

#include "script_value.h"

class ScriptEngine;

// A host global by lower-case name: functions (rotate, select, ...),
// services (modPanel, maxOps) and scene state (sliderTime, animationRange,
// selection). False when there is none of that name.
bool ScriptGetGlobal(ScriptEngine& e, const std::wstring& name, ScriptValue& out);
// Sets a settable host global (sliderTime, animationRange) and returns true;
// throws for the read-only ones; false when the name is not a host global.
bool ScriptSetGlobal(ScriptEngine& e, const std::wstring& name, const ScriptValue& v);

// Properties by lower-case name: node name/handle/modifiers/parent/children,
// modifier enabled/name and parameters by internal name, interval start/end,
// count of arrays and strings, and the services' functions.
ScriptValue ScriptGetProperty(ScriptEngine& e, const ScriptValue& obj, const std::wstring& name);
void ScriptSetProperty(ScriptEngine& e, const ScriptValue& obj, const std::wstring& name, const ScriptValue& v);

// `v as cls` for string, integer, float and time.
ScriptValue ScriptConvert(const ScriptValue& v, const std::wstring& cls);

// Frames as ticks at the host's frame rate.
double ScriptFramesToTicks(double frames);
// A time or a number of frames, in ticks; throws for other values.
double ScriptTicksOf(const ScriptValue& v, const wchar_t* what);
