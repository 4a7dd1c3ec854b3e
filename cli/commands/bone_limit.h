// The bone limit on the command line: how many nearest bones each vertex
// needs so that the solve's heaviest-bone test passes, worked out the way the
// solve orders bones, and the limit a command solves with.
#pragma once
#include <string>
#include <vector>

#include "host/skin_access.h"
#include "sdk/inode.h"

// Rest positions and bone distances measured as the solve measures them:
// the Skin's output at time t with every modifier above it off, and each
// bone's own mesh (or position) at t.
struct SceneBoneDistances {
  std::vector<Point3> rest;      // per vertex, world space
  std::vector<float> distances;  // [vertex * boneCount + bone]
  int boneCount = 0;
};
bool MeasureSceneBoneDistances(INode* node, const SkinAccess& skin, int vertexCount, TimeValue t,
                               SceneBoneDistances& out, std::string& error);

struct BoneLimitNeed {
  int needed = 1;      // smallest limit with which every vertex keeps its heaviest bone
  int vertex = -1;     // the first vertex that needs that many; -1 when every vertex needs 1
  std::string bone;    // its heaviest bone
  int boneCount = 0;
  std::vector<int> ranks;    // per vertex: HeaviestBoneRanks
  std::vector<int> nearest;  // per vertex: its nearest bone (Skin bone index)
};

// Rank of each vertex's heaviest Skin bone among its bones ordered by
// distance (equal distances keep bone order), counted from 1. A vertex with
// no weights needs 1: the solve starts it from its nearest bone.
std::vector<int> HeaviestBoneRanks(const SceneBoneDistances& d, ISkinContextData* context, int vertexCount);

// The need of the node's first Skin at the current time. False with a message
// when there is no Skin, no weights, or no mesh to measure.
bool MeasureBoneLimitNeed(INode* node, BoneLimitNeed& need, std::string& error);

constexpr int kAutoBoneLimitMin = 5, kAutoBoneLimitMax = 8;

// requested > 0: that limit, if it keeps every vertex's heaviest bone;
// requested == 0 ("auto"): the smallest from 5 up to 8 that does, or with
// keepBeyond, 8 when none does (the vertices beyond it keep the file's
// weights: VerticesBeyond). False with a message in command-line terms: the
// vertex, its bone, --bone-limit and the smallest value that passes.
// requestedAs names where the limit came from.
bool ChooseBoneLimit(const BoneLimitNeed& need, int requested, int& limit, std::string& error,
                     const std::string& requestedAs = "--bone-limit", bool keepBeyond = false);

// "bone limit 7: the smallest with which every vertex keeps its heaviest bone"
std::string AutoBoneLimitLine(const BoneLimitNeed& need, int limit);

// The vertices whose heaviest bone lies beyond the limit, ascending.
std::vector<int> VerticesBeyond(const BoneLimitNeed& need, int limit);

// Gives each of these vertices all its weight on its nearest bone in the
// node's first Skin, so that the solve's heaviest-bone test passes there.
bool TieToNearestBone(INode* node, const BoneLimitNeed& need, const std::vector<int>& vertices, std::string& error);

// Roughly how long the weight search takes: every vertex, pass and move a
// pass may try, summed over the frames as far as the search usually gets
// before it drops a move, at a rate measured on this machine with every
// processor busy.
double EstimateSolveSeconds(int vertices, int frames, int limit, int iterations);

// "12 s", "4 minutes", "2.5 hours".
std::string DescribeDuration(double seconds);

// "1st", "2nd", "3rd", "4th", ..., "11th", "21st".
std::string Ordinal(int n);

// Parses a --bone-limit value: "auto" gives 0, a whole number 1 to 100 itself.
bool ParseBoneLimit(const std::string& text, int& limit, std::string& error);
