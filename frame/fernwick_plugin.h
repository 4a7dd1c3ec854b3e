// The library's own state: its module handle and its string resources.
#pragma once
#include "../sdk/host_types.h"

extern HINSTANCE hInstance;

// Text of string resource id in the library's one shared buffer, or nullptr
// when there is none. The next call overwrites the buffer.
const MCHAR* GetString(int id);
