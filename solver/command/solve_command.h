// The "Solve Skin weights" and "Undo" commands of the rollout.
#pragma once
#include <vector>

#include "../../sdk/inode.h"
#include "../../sdk/point3.h"

class Fernwick;

// Replaces the weights of the Skin below the modifier with weights whose
// linear skinning reproduces the stack's output over the frame range.
void SolveSkinWeights(Fernwick* mod);

// Writes the weights saved before the last solve back into the Skin.
void RestoreSkinWeights(Fernwick* mod);

// World positions of the stack's output at stackPosition, one array per frame
// from startFrame to endFrame. Moves the time slider (redraw off) and leaves
// it at the last frame: the caller restores it.
std::vector<std::vector<Point3>> CollectPoseSamples(INode* node, int stackPosition, int startFrame, int endFrame,
                                                    int ticksPerFrame);
