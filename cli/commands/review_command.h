// `fernwick review SOURCE BAKED -o PAGE.html`: the review page of any pair of
// files, a character and a bake of it (the same file with other weights):
// Delta Mush of SOURCE on every clip, and each file's linear skinning scored
// against it, as `bake --review` writes it.
#pragma once
#include <ostream>
#include <string>

#include "cli/commands/character_import.h"

// o.inPath: SOURCE; o.outPath: the page; o.evaluate: the clips (default all).
int RunReview(const CharacterOptions& o, const std::string& bakedPath, std::ostream& out, std::ostream& err);
