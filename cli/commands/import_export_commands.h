// `fernwick import` and `fernwick export`: a glTF character into a scene with
// its Skin and a Fernwick modifier, and a scene's Skin weights back into a
// copy of the file.
#pragma once
#include <ostream>

#include "cli/commands/character_import.h"

int RunImport(const CharacterOptions& o, std::ostream& out, std::ostream& err);
int RunExport(const CharacterOptions& o, std::ostream& out, std::ostream& err);
