// The main job on character files: `fernwick import`, `export`, `bake` and
// `demo`. Bake is import, the workflow's button presses, and export.
#pragma once
#include <iostream>
#include <string>

#include "../deformer/delta_mush_params.h"

struct CharacterOptions {
  std::string inPath;       // .gltf or .glb
  std::string outPath;      // .glb (bake, export) or a scene (import)
  std::string scenePath;    // export: the scene to take weights from
  std::string reportPath;   // bake: the picture; empty: beside the output
  std::string meshName;
  std::string animation;    // bake: solve over this clip (name or index) instead of the proxy workflow
  std::string pluginPath;
  float fps = 30.0f;
  DeltaMushParams params;
  int boneLimit = 5;
  int solverIterations = 12;
  bool quiet = false;
};

int RunImport(const CharacterOptions& o, std::ostream& out, std::ostream& err);
int RunExport(const CharacterOptions& o, std::ostream& out, std::ostream& err);
int RunBake(const CharacterOptions& o, std::ostream& out, std::ostream& err);
// Writes demo_source.glb, then bakes it into demo.glb and demo_report.png in dir.
int RunCharacterDemo(const std::string& dir, const std::string& pluginPath, std::ostream& out, std::ostream& err);

// `fernwick deform --gltf IN -o DIR`: the Delta Mush result of a clip, one OBJ
// file per frame (frame_0001.obj ...), the mesh as welded.
int RunDeformGltf(const CharacterOptions& o, std::ostream& out, std::ostream& err);
