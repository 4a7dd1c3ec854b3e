// Poses the bake adds to the solve's training set, keyed on the proxy bones
// after "Create input animation" has made them: a wider range of motion than
// the rollout's own poses, and the character's clips played by the proxies.
#pragma once
#include <string>
#include <vector>

#include "cli/gltf/gltf_scene.h"
#include "sdk/inode.h"

// Each proxy turned on its own, one pose a frame, by +degrees and -degrees
// about its local axes (x, y and z, or only z and y as the rollout's poses);
// then with its parent proxy, and with its parent's parent, as far as chain.
struct RangeOfMotion {
  float degrees = 0.0f;  // 0: none
  bool allAxes = true;
  int chain = 2;         // bones turned together: 1 alone, 2 with the parent, 3 with the grandparent too
  bool enabled() const { return degrees > 0.0f; }
  std::string Describe() const;
};

// The proxy bones of the node's proxy Skin, in its bone order (which is the
// rig Skin's); empty when the node has no proxy Skin on top.
std::vector<INode*> ProxyBones(INode* meshNode);

// Keys the range of motion from firstFrame on; every proxy rests at
// firstFrame and at the returned last frame.
int KeyRangeOfMotion(const std::vector<INode*>& proxies, int firstFrame, const RangeOfMotion& rom);

// Keys the clips as the rig's bones play them (bone k's world transform at
// each of its keyed frames) onto the proxies (proxy k), one clip after
// another from firstFrame with a frame between them. Returns the last frame.
int KeyClipsOnProxies(const std::vector<INode*>& proxies, const std::vector<INode*>& rigBones,
                      const std::vector<ClipPlacement>& clips, int firstFrame);
