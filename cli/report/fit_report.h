// How far plain linear skinning lies from the Delta Mush result of a node,
// frame by frame: the figure a solve is meant to lower.
#pragma once
#include <ostream>
#include <vector>

#include "sdk/inode.h"

struct FitStats {
  double mean = 0, rms = 0, max = 0;
  int worstVertex = -1, worstFrame = -1;
  std::vector<float> perVertexMax;  // per vertex, over the frames
};

using PoseFrames = std::vector<std::vector<Point3>>;  // [frame][vertex], world space

// World positions of the node's result at each frame; with deltaMush false
// every Fernwick modifier on the stack is off while sampling (and restored).
PoseFrames SampleNode(INode* node, int startFrame, int endFrame, bool deltaMush);

// Distances between the two pose sets, over every vertex and frame both have.
FitStats CompareFrames(const PoseFrames& skinned, const PoseFrames& target);

void PrintFit(std::ostream& out, const char* label, const FitStats& s);
