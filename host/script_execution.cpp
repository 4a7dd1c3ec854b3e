#include "script_execution.h"

#include "../sdk/script_engine.h"

void RunHostScript(const MCHAR* script) { ExecuteScript(script, FALSE, nullptr, TRUE); }
