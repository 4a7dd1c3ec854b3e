// A plug-in library that lacks LibClassDesc, for the loader's error path.
#include "class_desc.h"

extern "C" {
const MCHAR* LibDescription() { return L"incomplete"; }
int LibNumberClasses() { return 1; }
ULONG LibVersion() { return 1; }
int LibInitialize() { return TRUE; }
int LibShutdown() { return TRUE; }
}
