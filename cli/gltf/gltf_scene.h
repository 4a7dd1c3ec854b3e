// A glTF character in the stand-in scene: a mesh node with its Skin (the
// joints as bone nodes carrying bone meshes, bound by the inverse bind
// matrices) and a Fernwick modifier on top; and the way back, the Skin's
// weights per welded vertex.
//
// Frame 0 holds the bind pose; imported animation clips follow from frame 1,
// one after another with a frame between them.
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
  // Clips to key on the bones, in this order along the time line: the first
  // from frame 1, each next one a frame after the previous one's last.
  std::vector<int> animations;
};

// Where a keyed clip lies on the time line: frames first .. first + frames - 1
// hold its frames 0 .. frames - 1.
struct ClipPlacement {
  int animation = -1;  // index into GltfCharacter::animations
  int first = 0;
  int frames = 0;
  int last() const { return first + frames - 1; }
};

struct ImportedCharacter {
  INode* meshNode = nullptr;
  Modifier* skin = nullptr;
  Modifier* fernwick = nullptr;
  std::vector<INode*> bones;         // per joint
  std::vector<ClipPlacement> clips;  // in time-line order
  int lastFrame = 0;                 // the last keyed frame, 0 without clips
};

bool ImportCharacter(const GltfCharacter& c, ClassDesc2* fernwickDesc, const ImportSettings& settings,
                     ImportedCharacter& out, std::string& error);

// The Skin's weights of the node as (joint, weight) per vertex; the Skin's
// bone i must be joint i (same name).
bool SkinWeightsForExport(INode* meshNode, const GltfCharacter& c,
                          std::vector<std::vector<std::pair<int, float>>>& weights, std::string& error);
