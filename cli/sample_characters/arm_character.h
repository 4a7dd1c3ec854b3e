// A generated arm with a five-fingered hand, as people export characters:
// eighteen joints (upper arm, forearm, hand and fifteen finger bones), a
// crude linear skin that shears at every joint, clips whose first frame is
// the bind pose, and the ways exporters wrap a skeleton: a scaled root (a
// centimetre file under 0.01, a 100-scaled armature), a turned root (Z up),
// nested parents, the mesh node under the same parents with inverse binds
// taken relative to it, several skinned meshes with skins of their own, and
// an unskinned part with a morph target hung on a bone.
#pragma once
#include <string>

#include "sdk/point3.h"

struct ArmCharacterShape {
  int ringsPerBone = 6;   // vertex rings along each bone's stretch of tube
  int segments = 10;      // vertices around each ring
  // Clips, in this order: "wave" (the arm swings and bends), "grip" (the
  // fingers curl), "twist" (the forearm turns, the fingers spread). 1 to 3.
  int clips = 2;
  // The file's units per world unit: positions and joint offsets are written
  // that much larger and a root node scales them back (100: centimetres
  // under a 0.01 root; 0.01: a 100-scaled armature).
  float units = 1.0f;
  Point3 rootScale{1, 1, 1};  // times 1/units on the root node: not uniform to shear
  bool zUp = false;           // an outer node turns the character -90 degrees about x
  bool nested = false;        // one more unskinned parent, moved and turned
  // The mesh node sits under the skeleton's parents, its positions in the
  // file's units, the inverse binds taken relative to it (as common exporters
  // write them); otherwise it sits at the scene root with world positions.
  bool meshUnderRoot = true;
  // 2: the fingers are a second skinned mesh; with secondSkin its skin is
  // one of its own over the hand and fingers only, in another joint order.
  int skinnedMeshes = 1;
  bool secondSkin = false;
  bool hangingPart = false;   // an unskinned watch with a morph target on the forearm
};

std::string MakeArmCharacterGlb(const ArmCharacterShape& shape = {});

// Vertices the shape makes, over all its skinned meshes.
int ArmCharacterVertexCount(const ArmCharacterShape& shape);
