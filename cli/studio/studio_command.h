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
