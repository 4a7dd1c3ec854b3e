// What the character commands share: their options, reading the file,
// importing it into the scene with a Fernwick modifier, and writing the Skin's
// weights back into a copy of the file.
#pragma once
#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands/training_poses.h"
#include "cli/gltf/gltf_scene.h"
#include "deformer/delta_mush_params.h"

struct CharacterOptions {
  std::string inPath;       // .gltf or .glb
  std::string outPath;      // .glb (bake, export) or a scene (import)
  std::string scenePath;    // export: the scene to take weights from
  std::string reportPath;   // bake: the picture; empty: beside the output
  std::string reviewPath;   // bake: the review page; empty: beside the output; "none": no page
  std::string summaryPath;  // bake: the summary for machines (JSON); empty: none
  // Skinned meshes to take, by node or mesh name; empty: every one.
  std::vector<std::string> meshNames;
  // Clips to key, by name or index, or "all" or "none"; bake trains on them.
  std::vector<std::string> animations;
  std::string pluginPath;
  float fps = 30.0f;
  DeltaMushParams params;
  int boneLimit = 5;
  bool boneLimitAuto = false;
  // bake, export: influences per vertex written (1 to 8) and how each weight is stored.
  int maxInfluences = 4;
  GltfWeightFormat weightFormat = GltfWeightFormat::kFloat;
  // bake: past maxInfluences keep each vertex's largest weights, renormalised,
  // instead of solving them again (for comparison only).
  bool cutInfluences = false;  // bake: the smallest limit from 5 to 8 that keeps every heaviest bone
  int solverIterations = 12;
  bool quiet = false;
  // bake: the proxy poses in the training set: "on", "off" or "auto" (the
  // measured default: see bake_command.h).
  std::string proxyPoses = "auto";
  // bake: extra poses keyed on the proxies; degrees < 0: the default.
  RangeOfMotion rangeOfMotion{-1.0f};
  // bake: clips to report the fit on (names, indices, "all", "none"); empty: all.
  std::vector<std::string> evaluate;
};

using CommandClock = std::chrono::steady_clock;
double SecondsSince(CommandClock::time_point t);

bool ReadCharacterFile(const CharacterOptions& o, GltfCharacter& c, std::string& error);

// Index of the clip named or numbered `name`; -1 for an empty name, -2 when
// the file has no such clip.
int ClipIndex(const GltfCharacter& c, const std::string& name);

// The clips named (names, indices, "all", "none") as indices, in the order
// given, each once. False with a message naming the clips the file has.
bool ResolveClips(const GltfCharacter& c, const std::vector<std::string>& names, std::vector<int>& clips,
                  std::string& error);

// Loads the plug-in and builds the scene with these clips keyed; prints one line.
bool BuildCharacterScene(const CharacterOptions& o, const GltfCharacter& c, const std::vector<int>& clips,
                         ImportedCharacter& ic, std::ostream& out, std::string& error);

// Reads the file and builds the scene with o.animations keyed.
bool ImportCharacterFile(const CharacterOptions& o, GltfCharacter& c, ImportedCharacter& ic, std::ostream& out,
                         std::string& error);

// Each mesh node's Skin weights (meshNodes per GltfCharacter::meshes), at
// most maxInfluences (1 to 8) per vertex stored as `format`, into a copy of
// the character's file. cut (when given) gets how many vertices had more.
bool ExportCharacterWeights(const GltfCharacter& c, const std::vector<INode*>& meshNodes, int maxInfluences,
                            GltfWeightFormat format, const std::string& path, std::string& error, int* cut = nullptr);

// Every vertex's weights in the node's first Skin replaced by the weights a
// file stores (StoredInfluences), so that what is scored is what is written.
// Returns how many vertices had more than maxInfluences, or -1 without a Skin.
int StoreWeightsAsWritten(INode* meshNode, int maxInfluences, GltfWeightFormat format);

// The scene's node of each of the character's meshes.
std::vector<INode*> MeshNodes(const ImportedCharacter& ic);
