// `fernwick deform`: Delta Mush of a posed OBJ mesh against a rest OBJ mesh.
#pragma once
#include <ostream>
#include <string>

#include "cli/commands/character_import.h"
#include "deformer/delta_mush_params.h"

struct DeformOptions {
  std::string restPath;
  std::string posedPath;
  std::string outPath;
  DeltaMushParams params;
  bool polyPath = false;     // hand the modifier polygon meshes
  std::string pluginPath;    // empty: the installed plug-in
};

// Returns the process exit code; messages go to out and err.
int RunDeform(const DeformOptions& options, std::ostream& out, std::ostream& err);

// `fernwick deform --gltf IN -o DIR`: the Delta Mush result of a clip, one OBJ
// file per frame (frame_0001.obj ...), the mesh as welded.
// With linear, the Skin's own result instead (Delta Mush off): the file's
// weights as the program skins them.
int RunDeformGltf(const CharacterOptions& o, std::ostream& out, std::ostream& err, bool linear = false);
