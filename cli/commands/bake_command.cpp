#include "cli/commands/bake_command.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli/commands/bone_limit.h"
#include "cli/files/output_check.h"
#include "cli/report/fit_report.h"
#include "cli/report/report_image.h"
#include "cli/terminal_host/plugin_host.h"
#include "cli/terminal_host/rollout_session.h"
#include "cli/terminal_host/terminal_message_boxes.h"
#include "frame/fernwick_ids.h"
#include "sdk/interface.h"
#include "sdk/param_block.h"
#include "sdk/rollout.h"

const bool kBakeProxyPosesWithClips = true;
const RangeOfMotion kBakeRangeOfMotionWithClips{90.0f, true, 3};
const RangeOfMotion kBakeRangeOfMotionWithoutClips{0.0f};

namespace {

std::string ReportPathFor(const CharacterOptions& o) {
  if (!o.reportPath.empty()) return o.reportPath;
  std::filesystem::path p(o.outPath);
  p.replace_extension();
  return p.string() + "_report.png";
}

// What the solve learns from and what the report scores.
struct TrainingPlan {
  std::vector<int> trainClips;  // animation indices
  std::vector<int> evalClips;
  bool proxyPoses = false;
  RangeOfMotion rangeOfMotion;
};

bool PlanTraining(const CharacterOptions& o, const GltfCharacter& c, TrainingPlan& plan, std::string& error) {
  const bool hasClips = !c.animations.empty();
  const std::vector<std::string> train = o.animations.empty() ? std::vector<std::string>{hasClips ? "all" : "none"}
                                                              : o.animations;
  if (!ResolveClips(c, train, plan.trainClips, error)) return false;
  if (o.proxyPoses == "on")
    plan.proxyPoses = true;
  else if (o.proxyPoses == "off")
    plan.proxyPoses = false;
  else
    plan.proxyPoses = plan.trainClips.empty() || kBakeProxyPosesWithClips;
  if (!plan.proxyPoses && plan.trainClips.empty()) {
    error = hasClips ? "nothing to train on: --animation none with --proxy-poses off"
                     : "nothing to train on: the file has no clips, so the proxy poses are needed";
    return false;
  }
  plan.rangeOfMotion = o.rangeOfMotion.degrees >= 0.0f ? o.rangeOfMotion
                       : !plan.proxyPoses             ? RangeOfMotion{0.0f}
                       : plan.trainClips.empty()       ? kBakeRangeOfMotionWithoutClips
                                                       : kBakeRangeOfMotionWithClips;
  if (plan.rangeOfMotion.enabled() && !plan.proxyPoses) {
    error = "--range-of-motion turns the proxy bones: it needs the proxy poses (--proxy-poses on)";
    return false;
  }
  const std::vector<std::string> eval = o.evaluate.empty() ? std::vector<std::string>{"all"} : o.evaluate;
  return ResolveClips(c, eval, plan.evalClips, error);
}

// Clips keyed on the rig's bones: the training clips first, so that without
// proxies they make one contiguous range, then the clips only scored.
std::vector<int> KeyedClips(const TrainingPlan& plan) {
  std::vector<int> keyed = plan.trainClips;
  for (int e : plan.evalClips)
    if (std::find(keyed.begin(), keyed.end(), e) == keyed.end()) keyed.push_back(e);
  return keyed;
}

const ClipPlacement* Placement(const ImportedCharacter& ic, int animation) {
  for (const ClipPlacement& p : ic.clips)
    if (p.animation == animation) return &p;
  return nullptr;
}

// Largest of each vertex's values over several sets.
std::vector<float> PerVertexMax(const std::vector<const std::vector<float>*>& sets, size_t count) {
  std::vector<float> out(count, 0.0f);
  for (const auto* s : sets)
    for (size_t v = 0; v < s->size() && v < count; ++v) out[v] = std::max(out[v], (*s)[v]);
  return out;
}

}  // namespace

int RunBake(const CharacterOptions& o, std::ostream& out, std::ostream& err) {
  std::ostringstream quietBoxes;
  TerminalMessageBoxPolicy policy(true, std::cin, o.quiet ? static_cast<std::ostream&>(quietBoxes) : out);
  ScopedMessageBoxPolicy scoped(&policy);
  std::string error;
  GltfCharacter c;
  ImportedCharacter ic;
  auto fail = [&](const std::string& why) {
    err << "fernwick bake: " << why << "; nothing was written\n";
    GetCOREInterface()->CloseModifyPanel();
    CloseHostSession();
    return 1;
  };
  const auto t0 = CommandClock::now();
  // A mistyped output should cost seconds, not the whole bake.
  const std::string report = ReportPathFor(o);
  if (!CheckOutputFile(o.outPath, error) || !CheckOutputFile(report, error)) return fail(error);
  TrainingPlan plan;
  if (!LoadFernwick(o.pluginPath, error) || !ReadCharacterFile(o, c, error) || !PlanTraining(o, c, plan, error) ||
      !BuildCharacterScene(o, c, KeyedClips(plan), ic, out, error))
    return fail(error);
  Interface* ip = GetCOREInterface();
  ip->SelectNode(ic.meshNode, 1);
  ip->OpenModifyPanel(ic.fernwick);
  RolloutSession session{ic.meshNode, ic.fernwick, FindOpenRollout(L"Parameters")};
  if (!session.rollout) return fail("the Fernwick rollout did not open");
  auto press = [&](const char* caption) {
    const auto t = CommandClock::now();
    if (!PressButtonByCaption(session, caption, error)) return false;
    out << "  \"" << caption << "\" " << SecondsSince(t) << " s\n";
    return true;
  };
  out << "Pressing the workflow's buttons:\n";
  if (!press("Extract state")) return fail(error);

  // The clips to score, sampled on the rig as the file skins it, before anything changes.
  std::vector<ClipFit> clipFits;
  std::vector<PoseFrames> clipMush;
  for (int e : plan.evalClips) {
    const ClipPlacement* p = Placement(ic, e);
    if (!p) continue;
    ClipFit fit;
    fit.name = c.animations[e].name;
    fit.trained = std::find(plan.trainClips.begin(), plan.trainClips.end(), e) != plan.trainClips.end();
    fit.frames = p->frames;
    clipMush.push_back(SampleNode(ic.meshNode, p->first, p->last(), true));
    fit.before = CompareFrames(SampleNode(ic.meshNode, p->first, p->last(), false), clipMush.back());
    clipFits.push_back(fit);
  }

  // The training range: proxy poses, range of motion and clips on the
  // proxies; or the training clips on the rig's bones.
  IParamBlock2* pb = ic.fernwick->GetParamBlock(0);
  std::vector<ClipPlacement> trained;
  for (int t : plan.trainClips)
    if (const ClipPlacement* p = Placement(ic, t)) trained.push_back(*p);
  if (plan.proxyPoses) {
    if (!press("Create input animation")) return fail(error);
    const std::vector<INode*> proxies = ProxyBones(ic.meshNode);
    int end = pb->GetInt(pb_endFrame, 0);
    if (plan.rangeOfMotion.enabled()) end = KeyRangeOfMotion(proxies, end + 1, plan.rangeOfMotion);
    if (!trained.empty()) end = KeyClipsOnProxies(proxies, ic.bones, trained, end + 2);
    pb->SetValue(pb_endFrame, 0, end);
  } else {
    pb->SetValue(pb_startFrame, 0, trained.front().first);
    pb->SetValue(pb_endFrame, 0, trained.back().last());
  }
  const int start = pb->GetInt(pb_startFrame, 0), end = pb->GetInt(pb_endFrame, 0);
  out << "Training on frames " << start << " to " << end << ":";
  if (plan.proxyPoses) out << " proxy poses";
  if (plan.rangeOfMotion.enabled()) out << ", range of motion " << plan.rangeOfMotion.Describe();
  for (size_t k = 0; k < plan.trainClips.size(); ++k)
    out << (k == 0 && !plan.proxyPoses ? " " : ", ") << "\"" << c.animations[plan.trainClips[k]].name << "\"";
  out << "\n";

  // The limit is settled on the scene the solve will see, proxies included.
  BoneLimitNeed need;
  int limit = 0;
  if (!MeasureBoneLimitNeed(ic.meshNode, need, error) ||
      !ChooseBoneLimit(need, o.boneLimitAuto ? 0 : o.boneLimit, limit, error))
    return fail(error);
  if (o.boneLimitAuto) out << AutoBoneLimitLine(need, limit) << "\n";
  pb->SetValue(pb_boneLimit, ip->GetTime(), limit);

  const PoseFrames mush = SampleNode(ic.meshNode, start, end, true);
  const PoseFrames before = SampleNode(ic.meshNode, start, end, false);
  if (!press("Solve Skin weights")) return fail(error);
  if (ic.fernwick->IsEnabled()) return fail("the solve wrote no weights");
  const PoseFrames after = SampleNode(ic.meshNode, start, end, false);
  if (plan.proxyPoses) {
    ic.fernwick->EnableMod();
    ip->OpenModifyPanel(ic.fernwick);
    session.rollout = FindOpenRollout(L"Parameters");
    if (!press("Replace and remove proxy")) return fail(error);
  }
  for (size_t k = 0; k < clipFits.size(); ++k) {
    const ClipPlacement* p = Placement(ic, plan.evalClips[k]);
    clipFits[k].after = CompareFrames(SampleNode(ic.meshNode, p->first, p->last(), false), clipMush[k]);
  }
  if (!ExportCharacterWeights(c, ic.meshNode, pb->GetInt(pb_boneLimit, 0), o.outPath, error)) return fail(error);

  const FitStats b = CompareFrames(before, mush), a = CompareFrames(after, mush);
  out << "Fit of linear skinning to the Delta Mush result over the " << (end - start + 1) << " training frames:\n";
  PrintFit(out, "before", b);
  PrintFit(out, "after ", a);
  if (b.rms > 0) out << "  RMS ratio after/before: " << a.rms / b.rms << "\n";
  if (!clipFits.empty()) {
    out << "Fit per clip (RMS and largest distance to the Delta Mush result, before -> after):\n";
    for (const ClipFit& fit : clipFits) PrintClipFit(out, fit);
  }

  ReportView view;
  // Drawn as the character stands in its file's world at rest (+Y up, +Z
  // front), whatever axes it was authored in.
  view.positions = GltfRestPoseWorldPositions(c);
  view.triangles = c.triangles;
  const size_t n = view.positions.size();
  if (clipFits.empty()) {
    view.errorBefore = PerVertexMax({&b.perVertexMax}, n);
    view.errorAfter = PerVertexMax({&a.perVertexMax}, n);
    view.title = "Fernwick fit: largest distance per vertex to Delta Mush";
  } else {
    std::vector<const std::vector<float>*> bs, as;
    for (const ClipFit& fit : clipFits) bs.push_back(&fit.before.perVertexMax), as.push_back(&fit.after.perVertexMax);
    view.errorBefore = PerVertexMax(bs, n);
    view.errorAfter = PerVertexMax(as, n);
    view.title = "Largest distance per vertex to Delta Mush, scored clips";
  }
  if (!WriteFitReportPng(view, report, error)) {
    err << "fernwick bake: wrote " << o.outPath << " but not the report: " << error << "\n";
    ip->CloseModifyPanel();
    CloseHostSession();
    return 1;
  }
  out << "Wrote " << o.outPath << " and " << report << " (" << SecondsSince(t0) << " s in all)\n";
  ip->CloseModifyPanel();
  CloseHostSession();
  return 0;
}
