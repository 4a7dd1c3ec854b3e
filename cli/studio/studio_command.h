// `fernwick studio [FILE] [--port N]`: the stand-in host with the plug-in,
// live in a web page on 127.0.0.1. Prints the address to open (with its
// token) and serves until SIGINT or SIGTERM, then answers any open message
// box, empties the scene and returns 0.
#pragma once
#include <ostream>

#include "cli/studio/studio_document.h"

// Tried when --port is not given; a free port is taken when it is busy.
constexpr int kStudioDefaultPort = 7370;

int RunStudio(const StudioOptions& options, std::ostream& out, std::ostream& err);

// The plug-in's parallel loops should wait for work asleep in the studio,
// which shares the processors with the browser drawing its page: workers
// spinning between frames take them from it. The OpenMP runtime reads its
// wait policy once, as it loads, so a program started without one asks for
// the passive policy and runs itself again (same process, same arguments).
// Returns only when it did not (a policy was given, or the exec failed).
void RestartWithPassiveWaiting(char** argv);
