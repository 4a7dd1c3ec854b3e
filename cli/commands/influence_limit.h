// At most N bones per vertex, chosen by solving rather than by cutting: each
// vertex the solve gave more keeps its N strongest bones, and the plug-in's
// own weight search runs again over the same frames with only those bones as
// candidates, so the N weights are the best the search finds for them.
#pragma once
#include <string>

#include "sdk/inode.h"
#include "sdk/modifier.h"

struct InfluenceLimit {
  int vertices = 0;  // vertices solved again
  int widest = 0;    // the most bones a vertex had before
};

// On the node's first Skin, whose weights a solve over frames start..end has
// just written; fernwick is the modifier whose Delta Mush the solve sampled
// (switched on while sampling, left as it was).
bool LimitInfluencesBySolving(INode* node, Modifier* fernwick, int start, int end, int maxInfluences,
                              int solverIterations, InfluenceLimit& result, std::string& error);
