#include "cli/review/bake_summary.h"

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

Json FitJson(const FitStats& s) {
  Json j = {{"mean", s.mean}, {"rms", s.rms}, {"max", s.max}};
  j["worstVertex"] = s.worstVertex >= 0 ? Json(s.worstVertex) : Json(nullptr);
  j["worstFrame"] = s.worstFrame >= 0 ? Json(s.worstFrame) : Json(nullptr);
  return j;
}

// trained: whether the training set is known; "trained" is null otherwise.
Json ClipJson(const ClipFit& c, int animation, bool trainingKnown) {
  Json j = {{"name", c.name}, {"animation", animation}, {"trained", trainingKnown ? Json(c.trained) : Json(nullptr)},
            {"frames", c.frames}};
  j["before"] = FitJson(c.before);
  j["after"] = FitJson(c.after);
  j["rmsRatio"] = c.before.rms > 0 ? Json(c.after.rms / c.before.rms) : Json(nullptr);
  return j;
}

Json OrNull(int v) { return v > 0 ? Json(v) : Json(nullptr); }

}  // namespace

std::string BakeSummaryJson(const BakeSummary& s) {
  Json j;
  j["schemaVersion"] = kBakeSummarySchemaVersion;
  j["command"] = s.command;
  j["source"] = s.source;
  j["output"] = s.output;
  j["influences"] = {{"max", OrNull(s.maxInfluences)}, {"largest", s.largestInfluences}, {"format", s.weightFormat}};
  int boneLimit = 0;
  for (const MeshSummary& m : s.meshes) boneLimit = std::max(boneLimit, m.boneLimit);
  j["boneLimit"] = OrNull(boneLimit);
  if (s.training)
    j["training"] = {{"proxyPoses", s.proxyPoses}, {"rangeOfMotionDegrees", s.rangeOfMotionDegrees},
                     {"clips", s.trainingClips}};
  else
    j["training"] = nullptr;
  j["clips"] = Json::array();
  for (size_t k = 0; k < s.clips.size(); ++k)
    j["clips"].push_back(ClipJson(s.clips[k], k < s.clipAnimations.size() ? s.clipAnimations[k] : -1, s.training));
  j["meshes"] = Json::array();
  for (const MeshSummary& m : s.meshes) {
    Json mj = {{"name", m.name}, {"vertices", m.vertices}, {"boneLimit", OrNull(m.boneLimit)},
               {"keptVertices", m.keptVertices}, {"resolvedVertices", m.resolvedVertices},
               {"cutVertices", m.cutVertices}};
    mj["trainingFrames"] = m.trainingEnd >= m.trainingStart
                               ? Json({{"start", m.trainingStart}, {"end", m.trainingEnd},
                                       {"count", m.trainingEnd - m.trainingStart + 1}})
                               : Json(nullptr);
    mj["trainingFit"] = m.trainingFit ? Json({{"before", FitJson(m.trainBefore)}, {"after", FitJson(m.trainAfter)}})
                                      : Json(nullptr);
    mj["clips"] = Json::array();
    for (size_t k = 0; k < m.clips.size(); ++k)
      mj["clips"].push_back(ClipJson(m.clips[k], k < s.clipAnimations.size() ? s.clipAnimations[k] : -1, s.training));
    j["meshes"].push_back(mj);
  }
  j["seconds"] = s.seconds.empty() ? Json(nullptr) : Json(s.seconds);
  return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
