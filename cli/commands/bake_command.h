// `fernwick bake`: import, the workflow's button presses and export in one
// go, with a fit report and its picture.
#pragma once
#include <ostream>

#include "cli/commands/character_import.h"

int RunBake(const CharacterOptions& o, std::ostream& out, std::ostream& err);
