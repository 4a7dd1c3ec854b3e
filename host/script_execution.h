// Hands a script text to the host's script engine: errors are the host's to
// report, and nothing the command did before is undone by them.
#pragma once
#include "../sdk/host_types.h"

void RunHostScript(const MCHAR* script);
