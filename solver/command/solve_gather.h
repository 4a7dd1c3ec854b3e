// Reading the solve's inputs out of the scene: samples through the stack,
// rest positions below the modifiers above the Skin, bone meshes and bone
// transforms. Host calls only, so tools outside the plug-in can read the same.
#pragma once
#include <memory>
#include <vector>

#include "../../sdk/inode.h"
#include "../../sdk/iskin.h"
#include "../../sdk/modifier.h"
#include "../bone_mesh.h"

// Every modifier above skinMod on node's stack off (on = false) or back on.
void SwitchModifiersAboveSkin(INode* node, Modifier* skinMod, bool on);

// Per Skin bone its mesh in the bone's object space, or none.
std::vector<std::unique_ptr<BoneMesh>> BuildBoneMeshes(ISkin* skin, TimeValue t);

// World positions of the node's world state at t, the first vertexCount of
// them; false when the mesh has fewer vertices.
bool CaptureRestPositions(INode* node, TimeValue t, int vertexCount, std::vector<Point3>& out);

// Node transforms of the Skin's bones at t.
std::vector<Matrix3> BoneTransforms(ISkin* skin, TimeValue t);

// World positions of the stack's output at stackPosition, one array per frame
// from startFrame to endFrame. Moves the time slider (redraw off) and leaves
// it at the last frame: the caller restores it.
std::vector<std::vector<Point3>> CollectPoseSamples(INode* node, int stackPosition, int startFrame, int endFrame,
                                                    int ticksPerFrame);
