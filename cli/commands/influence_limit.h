// At most N bones per vertex, chosen by solving rather than by cutting: each
// vertex the solve gave more keeps its N strongest bones, and the plug-in's
// own weight search runs again over the same frames with only those bones as
// candidates. A vertex keeps the search's weights, or its solved weights cut
// to those bones and renormalised where they fit its frames better.
#pragma once
#include <string>

#include "sdk/inode.h"
#include "sdk/modifier.h"
#include "solver/skin_weight_query.h"

struct InfluenceLimit {
  int vertices = 0;  // vertices solved again
  int keptCut = 0;   // of them, those whose cut weights fit their frames better
  int widest = 0;    // the most bones a vertex had before
};

// The weights of the node's first Skin, per vertex.
SkinWeightTable ReadSkinWeights(INode* node);

// On the node's first Skin, whose weights a solve over frames start..end has
// just written over `sampledWith` (ReadSkinWeights before the solve: Delta
// Mush is sampled on the skin it smooths, as the solve sampled it); fernwick
// is the modifier whose Delta Mush the solve sampled (switched on while
// sampling, left as it was).
bool LimitInfluencesBySolving(INode* node, Modifier* fernwick, const SkinWeightTable& sampledWith, int start, int end,
                              int maxInfluences, int solverIterations, InfluenceLimit& result, std::string& error);
