// Stand-in host: the load log. Objects note here what they could not take
// from a scene file (damaged data they dropped, say); loading a scene clears
// it first, and the program shows what is left once the scene is open.
#pragma once
#include <vector>

#include "host_types.h"

void LogLoadMessage(const MSTR& text);
const std::vector<MSTR>& LoadLog();
void ClearLoadLog();
