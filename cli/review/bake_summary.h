// What a bake found, as plain data for machines: per mesh and per clip the
// report's figures, the weights as written, the bone limit, the training set
// and the timings. `fernwick bake --summary` writes it as JSON and the review
// page carries the same.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "cli/report/fit_report.h"

// Raised when a field changes meaning or goes away; new fields keep it.
constexpr int kBakeSummarySchemaVersion = 1;

struct MeshSummary {
  std::string name;
  int vertices = 0;          // welded
  int boneLimit = 0;         // candidate bones per vertex; 0 when not known
  int keptVertices = 0;      // kept the file's weights
  int resolvedVertices = 0;  // solved again on their strongest bones to fit the influences
  int cutVertices = 0;       // cut to the influences as written
  int trainingStart = 0, trainingEnd = -1;  // the solve's frames; end < start when not known
  bool trainingFit = false;  // trainBefore/After hold the fit over the training frames
  FitStats trainBefore, trainAfter;
  std::vector<ClipFit> clips;  // per scored clip, in BakeSummary::clips' order
};

struct BakeSummary {
  std::string command;  // "bake" or "review"
  std::string source, output;
  int maxInfluences = 0;     // influences per vertex written at most
  int largestInfluences = 0; // the most a vertex of the written file has
  std::string weightFormat;  // "float", "unorm16" or "unorm8"
  bool training = false;     // the training set below is known
  bool proxyPoses = false;
  float rangeOfMotionDegrees = 0;
  std::vector<std::string> trainingClips;
  std::vector<ClipFit> clips;         // the whole character per scored clip
  std::vector<int> clipAnimations;    // per scored clip: the file's animation index
  std::vector<MeshSummary> meshes;
  std::map<std::string, double> seconds;  // per stage, and "total"; empty when not timed
};

// The summary as JSON text (two-space indented), with "schemaVersion".
std::string BakeSummaryJson(const BakeSummary& summary);
