// A glTF character in the stand-in scene: the joints as one skeleton of bone
// nodes carrying bone meshes, and every skinned mesh as a node with its own
// Skin (bound by its skin's inverse bind matrices) and a Fernwick modifier on
// top; and the way back, each Skin's weights per welded vertex.
//
// Everything stands in the file's world: the meshes at the bind pose, the
// bones at their bind pose at frame 0 and as the clips move them from frame
// 1, one clip after another with a frame between them. So rest and motion
// share one space whatever scale or turn the file puts above the skeleton.
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

struct ImportedMesh {
  INode* node = nullptr;
  Modifier* skin = nullptr;
  Modifier* fernwick = nullptr;
};

struct ImportedCharacter {
  std::vector<ImportedMesh> meshes;  // per GltfCharacter::meshes
  std::vector<INode*> bones;         // per joint
  std::vector<ClipPlacement> clips;  // in time-line order
  int lastFrame = 0;                 // the last keyed frame, 0 without clips
};

bool ImportCharacter(const GltfCharacter& c, ClassDesc2* fernwickDesc, const ImportSettings& settings,
                     ImportedCharacter& out, std::string& error);

// The Skin's weights of a mesh's node as (skin joint, weight) per vertex; the
// Skin's bone i must be the skin's joint i (same name).
bool SkinWeightsForExport(INode* meshNode, const GltfCharacter& c, const GltfSkinnedMesh& mesh,
                          GltfVertexWeights& weights, std::string& error);
