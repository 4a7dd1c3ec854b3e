// A glTF character in the stand-in scene: a mesh node with its Skin (the
// joints as bone nodes carrying bone meshes, bound by the inverse bind
// matrices) and a Fernwick modifier on top; and the way back, the Skin's
// weights per welded vertex.
//
// Frame 0 holds the bind pose; an imported animation clip follows from frame 1.
#pragma once
#include <string>
#include <vector>

#include "cli/gltf/gltf_character.h"
#include "deformer/delta_mush_params.h"
#include "sdk/inode.h"
#include "sdk/modifier.h"

class ClassDesc2;

struct ImportSettings {
  DeltaMushParams params;
  int boneLimit = 5;
  int solverIterations = 12;
  int animation = -1;  // clip to key from frame 1, -1 for none
};

struct ImportedCharacter {
  INode* meshNode = nullptr;
  Modifier* skin = nullptr;
  Modifier* fernwick = nullptr;
  std::vector<INode*> bones;  // per joint
  int clipFrames = 0;         // frames of the keyed clip (frames 1..clipFrames)
};

bool ImportCharacter(const GltfCharacter& c, ClassDesc2* fernwickDesc, const ImportSettings& settings,
                     ImportedCharacter& out, std::string& error);

// The Skin's weights of the node as (joint, weight) per vertex; the Skin's
// bone i must be joint i (same name).
bool SkinWeightsForExport(INode* meshNode, const GltfCharacter& c,
                          std::vector<std::vector<std::pair<int, float>>>& weights, std::string& error);
