// One candidate bone of a vertex.
#pragma once

struct BoneDistance {
  // The bone's host node, opaque here: the solver never looks at it, the
  // write-back hands it to the Skin. Null when the caller has no nodes.
  void* node = nullptr;
  float distance = 0.0f;  // rest position to the bone, in scene units
  int boneIndex = -1;     // index in the Skin's bone list; -1 when unset
};
