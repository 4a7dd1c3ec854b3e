#include "cli/studio/solve_fit.h"

#include <sstream>

#include "frame/fernwick_ids.h"
#include "host/skin_access.h"
#include "sdk/interface.h"
#include "sdk/param_block.h"
#include "sdk/param_map.h"
#include "sdk/param_block_desc.h"
#include "sdk/rollout.h"
#include "sdk/utf8.h"
#include "tools/node_ops.h"

namespace {

// The Fernwick whose "Parameters" rollout is open at `rollout`, and its node.
Modifier* FernwickOfRollout(int rollout, INode*& node) {
  const std::vector<RolloutInfo> open = GetOpenRollouts();
  if (rollout < 0 || rollout >= static_cast<int>(open.size())) return nullptr;
  ParamBlockDesc2* desc = open[rollout].map->GetDesc();
  Modifier* mod = GetCOREInterface()->GetModifyPanelModifier();
  if (!desc || desc->ID != fernwick_params || !mod || mod->ClassID() != FERNWICK_CLASS_ID) return nullptr;
  node = FindNodeForModifier(mod);
  return node ? mod : nullptr;
}

// While the proxy Skin is on the stack, the proxies move the mesh.
bool ProxyMovesMesh(INode* node) {
  bool proxy = false;
  ForEachModifier(node, [&](Modifier* m, int) {
    proxy = proxy || (m->GetName() == MSTR(L"proxySkin") && m->IsEnabled());
    return !proxy;
  });
  return proxy;
}

// The first Skin's weights, as (bone, weight) pairs in order.
std::vector<float> SkinWeights(INode* node) {
  std::vector<float> out;
  SkinAccess skin;
  if (!FindSkin(node, skin) || !skin.context) return out;
  for (int v = 0; v < skin.context->GetNumPoints(); ++v)
    for (int k = 0; k < skin.context->GetNumAssignedBones(v); ++k)
      out.insert(out.end(), {float(skin.context->GetAssignedBone(v, k)), skin.context->GetBoneWeight(v, k)});
  return out;
}

nlohmann::json Stats(const FitStats& s) {
  return {{"mean", s.mean}, {"rms", s.rms}, {"max", s.max}, {"worstVertex", s.worstVertex}, {"worstFrame", s.worstFrame}};
}

// Says what the page is waiting for while measuring.
struct PromptWhile {
  explicit PromptWhile(const wchar_t* text) { GetCOREInterface()->PushPrompt(text); }
  ~PromptWhile() { GetCOREInterface()->PopPrompt(); }
};

}  // namespace

std::vector<SolveFitTracker::Clip> SolveFitTracker::SampleClips(INode* node, const std::vector<KeyedClip>& clips) {
  std::vector<Clip> out;
  for (const KeyedClip& k : clips) {
    Clip c;
    c.clip = k;
    c.mush = SampleNode(node, k.first, k.last, true);
    c.before = CompareFrames(SampleNode(node, k.first, k.last, false), c.mush);
    out.push_back(std::move(c));
  }
  return out;
}

void SolveFitTracker::ScoreClips(INode* node, std::vector<Clip>& clips) {
  for (Clip& c : clips) {
    c.after = CompareFrames(SampleNode(node, c.clip.first, c.clip.last, false), c.mush);
    c.scored = true;
  }
}

void SolveFitTracker::BeforePress(int rollout, int id, const std::vector<KeyedClip>& clips) {
  pending_.clear();
  rangeMush_.clear();
  rangeBefore_.clear();
  solving_ = nullptr;
  INode* node = nullptr;
  Modifier* fernwick = FernwickOfRollout(rollout, node);
  if (!fernwick) return;
  const bool proxy = ProxyMovesMesh(node);
  if (id == IDC_CREATE_ANIMATION && !proxy && !clips.empty()) {
    PromptWhile prompt(L"Measuring the clips before the proxy bones take over...");
    proxyClips_ = SampleClips(node, clips);
  } else if (id == IDC_SOLVE) {
    PromptWhile prompt(L"Measuring the fit before the solve...");
    // A solve that ran switches its modifier off; one already off shows in the weights.
    solving_ = fernwick;
    wasOn_ = fernwick->IsEnabled();
    weightsBefore_ = wasOn_ ? std::vector<float>() : SkinWeights(node);
    IParamBlock2* pb = fernwick->GetParamBlock(0);
    const TimeValue now = GetCOREInterface()->GetTime();
    start_ = pb->GetInt(pb_startFrame, now);
    end_ = pb->GetInt(pb_endFrame, now);
    rangeMush_ = SampleNode(node, start_, end_, true);
    rangeBefore_ = SampleNode(node, start_, end_, false);
    pending_ = proxy ? proxyClips_ : SampleClips(node, clips);
    for (Clip& c : pending_) c.trained = !proxy && c.clip.first <= end_ && c.clip.last >= start_;
  }
}

void SolveFitTracker::AfterPress(int rollout, int id) {
  INode* node = nullptr;
  if (!FernwickOfRollout(rollout, node)) {
    // The press may have closed the rollout; the node is still the selected one.
    Interface* ip = GetCOREInterface();
    node = ip->GetSelNodeCount() > 0 ? ip->GetSelNode(0) : nullptr;
  }
  if (!node) return;
  const bool proxy = ProxyMovesMesh(node);
  if (id == IDC_CREATE_ANIMATION && !proxy) {
    proxyClips_.clear();  // declined
  } else if (id == IDC_SOLVE && solving_ &&
             (wasOn_ ? !solving_->IsEnabled() : SkinWeights(node) != weightsBefore_)) {
    PromptWhile prompt(L"Measuring the fit after the solve...");
    const PoseFrames after = SampleNode(node, start_, end_, false);
    solved_ = true;
    solvedStart_ = start_;
    solvedEnd_ = end_;
    vertices_ = rangeMush_.empty() ? 0 : static_cast<int>(rangeMush_[0].size());
    before_ = CompareFrames(rangeBefore_, rangeMush_);
    after_ = CompareFrames(after, rangeMush_);
    clips_ = std::move(pending_);
    if (!proxy) ScoreClips(node, clips_);
  } else if (id == IDC_REPLACE_PROXY && !proxy) {
    if (solved_) {
      for (Clip& c : clips_)
        if (!c.scored) {
          PromptWhile prompt(L"Measuring the clips on the rig...");
          std::vector<Clip> one{c};
          ScoreClips(node, one);
          c = std::move(one[0]);
        }
    }
    proxyClips_.clear();
  } else if (id == IDC_UNDO) {
    solved_ = false;  // the weights are those of before the solve again
    clips_.clear();
  }
  pending_.clear();
  rangeMush_.clear();
  rangeBefore_.clear();
  solving_ = nullptr;
  weightsBefore_.clear();
}

void SolveFitTracker::Clear() { *this = SolveFitTracker(); }

nlohmann::json SolveFitTracker::Describe() const {
  if (!solved_) return nullptr;
  std::ostringstream text;
  text << "Fit of linear skinning to the Delta Mush result over frames " << solvedStart_ << " to " << solvedEnd_ << " ("
       << vertices_ << " vertices):\n";
  PrintFit(text, "before", before_);
  PrintFit(text, "after ", after_);
  if (before_.rms > 0) text << "  RMS ratio after/before: " << after_.rms / before_.rms << "\n";
  nlohmann::json clips = nlohmann::json::array();
  std::string waiting;
  if (!clips_.empty()) text << "Fit per clip (RMS and largest distance to the Delta Mush result, before -> after):\n";
  for (const Clip& c : clips_) {
    ClipFit fit;
    fit.name = c.clip.name;
    fit.trained = c.trained;
    fit.frames = c.clip.last - c.clip.first + 1;
    fit.before = c.before;
    fit.after = c.after;
    if (c.scored) {
      PrintClipFit(text, fit);
    } else {
      text << "  \"" << fit.name << "\" (" << (fit.trained ? "trained on" : "held out") << ", " << fit.frames
           << " frames): RMS " << fit.before.rms << " -> (after \"Replace and remove proxy\")\n";
      waiting = "press \"Replace and remove proxy\" to score the clips on the rig's own bones";
    }
    clips.push_back({{"name", c.clip.name},
                     {"first", c.clip.first},
                     {"last", c.clip.last},
                     {"trained", c.trained},
                     {"before", Stats(c.before)},
                     {"after", c.scored ? Stats(c.after) : nlohmann::json()}});
  }
  return {{"start", solvedStart_}, {"end", solvedEnd_}, {"vertices", vertices_}, {"before", Stats(before_)},
          {"after", Stats(after_)}, {"clips", clips}, {"waiting", waiting}, {"text", text.str()}};
}
