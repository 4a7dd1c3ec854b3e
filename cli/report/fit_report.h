// How far plain linear skinning lies from the Delta Mush result of a node,
// frame by frame: the figure a solve is meant to lower.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "sdk/inode.h"

struct FitStats {
  double mean = 0, rms = 0, max = 0;
  int worstVertex = -1, worstFrame = -1;
  long count = 0;                   // distances measured: vertices times frames
  std::vector<float> perVertexMax;  // per vertex, over the frames
};

using PoseFrames = std::vector<std::vector<Point3>>;  // [frame][vertex], world space

// World positions of the node's result at each frame; with deltaMush false
// every Fernwick modifier on the stack is off while sampling (and restored).
PoseFrames SampleNode(INode* node, int startFrame, int endFrame, bool deltaMush);

// Distances between the two pose sets, over every vertex and frame both have.
FitStats CompareFrames(const PoseFrames& skinned, const PoseFrames& target);

void PrintFit(std::ostream& out, const char* label, const FitStats& s);

// The figures of several meshes over the same frames as one: means and RMS
// weighted by each one's count, the largest of the largest (its vertex
// numbered along the meshes one after another), the per-vertex values joined.
FitStats CombineFits(const std::vector<const FitStats*>& parts);

// The fit on one animation clip, before and after a solve.
struct ClipFit {
  std::string name;
  bool trained = false;  // the solve sampled this clip
  int frames = 0;
  FitStats before, after;
};

// '  "Walk" (held out, 23 frames): RMS 0.512 -> 0.301 (ratio 0.588), largest 4.12 -> 2.95'
void PrintClipFit(std::ostream& out, const ClipFit& fit);
// '    "Hand.L": RMS 0.512 -> 0.301 (ratio 0.588), largest 4.12 -> 2.95'
void PrintMeshClipFit(std::ostream& out, const std::string& mesh, const FitStats& before, const FitStats& after);
