#include "cli/commands/bone_limit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli/commands/solve_rate.h"
#include "sdk/interface.h"
#include "sdk/utf8.h"
#include "solver/bone_distance_table.h"
#include "solver/command/solve_gather.h"
#include "solver/start_candidate.h"

bool MeasureSceneBoneDistances(INode* node, const SkinAccess& skin, int vertexCount, TimeValue t,
                               SceneBoneDistances& out, std::string& error) {
  const auto boneMeshes = BuildBoneMeshes(skin.skin, t);
  SwitchModifiersAboveSkin(node, skin.mod, false);
  const bool restOk = CaptureRestPositions(node, t, vertexCount, out.rest);
  SwitchModifiersAboveSkin(node, skin.mod, true);
  if (!restOk) {
    error = "the Skin's output has fewer vertices than the rest state";
    return false;
  }
  out.boneCount = skin.skin->GetNumBones();
  std::vector<BoneGeometry> bones(out.boneCount);
  for (int b = 0; b < out.boneCount; ++b) {
    if (INode* bone = skin.skin->GetBone(b)) bones[b].objectTM = bone->GetObjectTM(t);
    bones[b].mesh = boneMeshes[b].get();
  }
  out.distances = ComputeBoneDistances(out.rest.data(), vertexCount, bones.data(), out.boneCount);
  return true;
}

std::vector<int> HeaviestBoneRanks(const SceneBoneDistances& d, ISkinContextData* context, int vertexCount) {
  std::vector<int> ranks(vertexCount, 1);
  const int B = d.boneCount;
  const SkinContextWeights weights(context);
  for (int v = 0; v < vertexCount; ++v) {
    const int heaviest = HeaviestAssignedBone(weights, v);
    if (heaviest < 0 || heaviest >= B) continue;
    const float* row = &d.distances[static_cast<size_t>(v) * B];
    int rank = 1;
    for (int b = 0; b < B; ++b)
      if (row[b] < row[heaviest] || (row[b] == row[heaviest] && b < heaviest)) ++rank;
    ranks[v] = rank;
  }
  return ranks;
}

bool MeasureBoneLimitNeed(INode* node, BoneLimitNeed& need, std::string& error) {
  SkinAccess skin;
  if (!FindSkin(node, skin) || !skin.context) {
    error = "the node has no Skin modifier with weights";
    return false;
  }
  const int vertexCount = skin.context->GetNumPoints();
  SceneBoneDistances d;
  if (!MeasureSceneBoneDistances(node, skin, vertexCount, GetCOREInterface()->GetTime(), d, error)) return false;
  need = BoneLimitNeed();
  need.boneCount = d.boneCount;
  need.ranks = HeaviestBoneRanks(d, skin.context, vertexCount);
  need.nearest.assign(vertexCount, 0);
  for (int v = 0; v < vertexCount; ++v) {
    const float* row = &d.distances[static_cast<size_t>(v) * d.boneCount];
    for (int b = 1; b < d.boneCount; ++b)
      if (row[b] < row[need.nearest[v]]) need.nearest[v] = b;
    if (need.ranks[v] > need.needed) {
      need.needed = need.ranks[v];
      need.vertex = v;
    }
  }
  if (need.vertex >= 0) {
    const int heaviest = HeaviestAssignedBone(SkinContextWeights(skin.context), need.vertex);
    INode* bone = skin.skin->GetBone(heaviest);
    need.bone = bone ? WideToUtf8(bone->GetName()) : "bone " + std::to_string(heaviest);
    // During the proxy workflow the Skin's bones are proxies: name the bone each stands for.
    const std::string proxyPrefix = "FNWK_proxy_";
    if (need.bone.rfind(proxyPrefix, 0) == 0) need.bone.erase(0, proxyPrefix.size());
  }
  return true;
}

std::string Ordinal(int n) {
  const int tens = n % 100, ones = n % 10;
  const char* suffix = (tens >= 11 && tens <= 13) ? "th" : ones == 1 ? "st" : ones == 2 ? "nd" : ones == 3 ? "rd" : "th";
  return std::to_string(n) + suffix;
}

namespace {
std::string Culprit(const BoneLimitNeed& need) {
  return "vertex " + std::to_string(need.vertex) + "'s heaviest bone, " + need.bone + ", is its " +
         Ordinal(need.needed) + " nearest bone";
}
}  // namespace

bool ChooseBoneLimit(const BoneLimitNeed& need, int requested, int& limit, std::string& error,
                     const std::string& requestedAs, bool keepBeyond) {
  if (requested > 0) {
    if (need.needed <= requested) {
      limit = requested;
      return true;
    }
    error = requestedAs + " " + std::to_string(requested) + " is too small: " + Culprit(need) + "; give --bone-limit " +
            std::to_string(need.needed) + " or more";
    if (keepBeyond) error += ", or --bone-limit auto, which keeps the file's weights where a heaviest bone lies farther";
    return false;
  }
  if (need.needed <= kAutoBoneLimitMax || keepBeyond) {
    limit = std::clamp(need.needed, kAutoBoneLimitMin, kAutoBoneLimitMax);
    return true;
  }
  error = "no bone limit from " + std::to_string(kAutoBoneLimitMin) + " to " + std::to_string(kAutoBoneLimitMax) +
          " lets every vertex keep its heaviest bone: " + Culprit(need) + "; give --bone-limit " +
          std::to_string(need.needed) + " (or check the file's skin weights)";
  return false;
}

std::string AutoBoneLimitLine(const BoneLimitNeed& need, int limit) {
  if (need.needed > limit) {
    const size_t beyond = VerticesBeyond(need, limit).size();
    return "bone limit " + std::to_string(limit) + ", the largest chosen: " + std::to_string(beyond) +
           (beyond == 1 ? " vertex keeps" : " vertices keep") + " the file's weights, their heaviest bone lying farther (" +
           Culprit(need) + "; --bone-limit " + std::to_string(need.needed) + " would solve them too)";
  }
  std::string line = "bone limit " + std::to_string(limit) + ": the smallest with which every vertex keeps its heaviest bone";
  if (need.boneCount < limit) line += " (the Skin has " + std::to_string(need.boneCount) + " bones)";
  return line;
}

std::vector<int> VerticesBeyond(const BoneLimitNeed& need, int limit) {
  std::vector<int> out;
  for (size_t v = 0; v < need.ranks.size(); ++v)
    if (need.ranks[v] > limit) out.push_back(static_cast<int>(v));
  return out;
}

bool TieToNearestBone(INode* node, const BoneLimitNeed& need, const std::vector<int>& vertices, std::string& error) {
  SkinAccess skin;
  if (!FindSkin(node, skin) || !skin.importData) {
    error = "the node has no Skin modifier to set weights in";
    return false;
  }
  for (int v : vertices) {
    Tab<INode*> bones;
    Tab<float> weights;
    bones.Append(skin.skin->GetBone(need.nearest.at(v)));
    weights.Append(1.0f);
    if (!skin.importData->AddWeights(node, v, bones, weights)) {
      error = "the Skin refused the weights of vertex " + std::to_string(v);
      return false;
    }
  }
  return true;
}

double EstimateSolveSeconds(int vertices, int frames, int limit, int iterations) {
  // Moves a pass may try: every donor with every set of receivers.
  const double moves = limit * (std::ldexp(1.0, limit - 1) - 1.0);
  // One move costs a skinned position per frame: limit multiply-adds and a length.
  const double terms = double(vertices) * std::max(0, iterations - 1) * moves * frames * (limit + 4.0);
  // The search drops a move as soon as its sum passes the best so far: on
  // Fox at limits 9 to 12 it summed about an eighth of every term (0.09-0.13).
  constexpr double kSummedShare = 0.12;
  return terms * kSummedShare * SecondsPerSkinningTerm();
}

std::string DescribeDuration(double seconds) {
  char text[48];
  if (seconds < 90)
    std::snprintf(text, sizeof text, "%.0f s", std::max(1.0, seconds));
  else if (seconds < 5400)
    std::snprintf(text, sizeof text, "%.0f minutes", seconds / 60);
  else
    std::snprintf(text, sizeof text, "%.1f hours", seconds / 3600);
  return text;
}

bool ParseBoneLimit(const std::string& text, int& limit, std::string& error) {
  if (text == "auto") {
    limit = 0;
    return true;
  }
  size_t used = 0;
  int value = 0;
  try {
    value = std::stoi(text, &used);
  } catch (...) {
    used = 0;
  }
  if (used != text.size() || text.empty() || value < 1 || value > 100) {
    error = "--bone-limit takes auto or a whole number from 1 to 100, not \"" + text + "\"";
    return false;
  }
  limit = value;
  return true;
}
