#include "cli/commands/bake_command.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli/commands/bone_limit.h"
#include "cli/commands/influence_limit.h"
#include "cli/files/atomic_file.h"
#include "cli/files/output_check.h"
#include "cli/gltf/gltf_self_contained.h"
#include "cli/report/fit_report.h"
#include "cli/report/report_image.h"
#include "cli/review/review_page.h"
#include "cli/terminal_host/plugin_host.h"
#include "cli/terminal_host/rollout_session.h"
#include "cli/terminal_host/solve_stage_clock.h"
#include "cli/terminal_host/terminal_message_boxes.h"
#include "frame/fernwick_ids.h"
#include "host/skin_access.h"
#include "sdk/interface.h"
#include "sdk/param_block.h"
#include "sdk/rollout.h"

const bool kBakeProxyPosesWithClips = true;
const RangeOfMotion kBakeRangeOfMotionWithClips{90.0f, false, 3};
const RangeOfMotion kBakeRangeOfMotionWithoutClips{0.0f};

namespace {

std::string ReportPathFor(const CharacterOptions& o) {
  if (!o.reportPath.empty()) return o.reportPath;
  std::filesystem::path p(o.outPath);
  p.replace_extension();
  return p.string() + "_report.png";
}

// The review page: beside OUT unless named; empty for none.
std::string ReviewPathFor(const CharacterOptions& o) {
  if (o.reviewPath == "none") return {};
  if (!o.reviewPath.empty()) return o.reviewPath;
  std::filesystem::path p(o.outPath);
  p.replace_extension();
  return p.string() + "_review.html";
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

// What one mesh's bake leaves for the report.
struct MeshBake {
  int limit = 0;
  std::vector<int> kept;  // vertices that kept the file's weights
  int resolved = 0;       // vertices solved again on their strongest bones
  int keptCut = 0;        // of them, those whose solved weights cut to those bones fit better
  int widest = 0;         // the most bones the solve gave a vertex
  int cut = 0;            // vertices whose weights were cut to the limit as written
  int start = 0, end = 0;
  FitStats trainBefore, trainAfter;
  std::vector<ClipFit> clips;  // per scored clip that is keyed
  std::vector<ReviewMeshClip> review;  // per scored clip, for the review page
};

class Bake {
 public:
  // review: keep each scored clip's Delta Mush for the review page.
  Bake(const CharacterOptions& o, const GltfCharacter& c, const TrainingPlan& plan, ImportedCharacter& ic,
       SolveStageClock& clock, std::ostream& out, bool review)
      : o_(o), c_(c), plan_(plan), ic_(ic), clock_(clock), out_(out), review_(review) {}

  // The workflow's buttons on one mesh, as a user would press them: capture,
  // training poses, solve, replace; its weights then stand in its rig Skin.
  bool Run(size_t mesh, MeshBake& result, std::string& error) {
    const ImportedMesh& m = ic_.meshes[mesh];
    Interface* ip = GetCOREInterface();
    ip->SetTime(0);
    ip->SelectNode(m.node, 1);
    ip->OpenModifyPanel(m.fernwick);
    session_ = RolloutSession{m.node, m.fernwick, FindOpenRollout(L"Parameters")};
    if (!session_.rollout) return Fail("the Fernwick rollout did not open", error);
    out_ << "Pressing the workflow's buttons:\n";
    if (!Press("Extract state", error)) return false;

    // The clips to score, sampled on the rig as the file skins it, before anything changes.
    std::vector<PoseFrames> clipMush;
    for (int e : plan_.evalClips) {
      const ClipPlacement* p = Placement(ic_, e);
      if (!p) continue;
      ClipFit fit;
      fit.name = c_.animations[e].name;
      fit.trained = std::find(plan_.trainClips.begin(), plan_.trainClips.end(), e) != plan_.trainClips.end();
      fit.frames = p->frames;
      clipMush.push_back(Sample(m.node, p->first, p->last(), true));
      fit.before = CompareFrames(Sample(m.node, p->first, p->last(), false), clipMush.back());
      result.clips.push_back(fit);
    }

    if (!KeyTraining(mesh, result, error)) return false;

    // The limit is settled on the scene the solve will see, proxies included.
    BoneLimitNeed need;
    const auto measured = CommandClock::now();
    const bool haveNeed = MeasureBoneLimitNeed(m.node, need, error);
    clock_.Add("distances", SecondsSince(measured));
    if (!haveNeed ||
        !ChooseBoneLimit(need, o_.boneLimitAuto ? 0 : o_.boneLimit, result.limit, error, "--bone-limit", true))
      return false;
    if (o_.boneLimitAuto) out_ << AutoBoneLimitLine(need, result.limit) << "\n";
    if (result.limit > kAutoBoneLimitMax)
      out_ << "warning: --bone-limit " << result.limit << " is above " << kAutoBoneLimitMax
           << ", and the weight search grows as L * 2^(L-1): expect the solve to take about "
           << DescribeDuration(EstimateSolveSeconds(int(need.ranks.size()), result.end - result.start + 1,
                                                    result.limit, o_.solverIterations))
           << " (" << need.ranks.size() << " vertices, " << (result.end - result.start + 1) << " frames)\n";
    result.kept = VerticesBeyond(need, result.limit);
    // The solve refuses a vertex whose heaviest bone it cannot reach: those
    // start from their nearest bone here and get the file's weights back after.
    if (!result.kept.empty() && !TieToNearestBone(m.node, need, result.kept, error)) return false;
    IParamBlock2* pb = m.fernwick->GetParamBlock(0);
    pb->SetValue(pb_boneLimit, ip->GetTime(), result.limit);

    // Without clips to score, the training frames are what the report scores.
    // (With clips this would sample the whole training range three more times.)
    const bool scoreTraining = result.clips.empty();
    PoseFrames mush;
    if (scoreTraining) {
      mush = Sample(m.node, result.start, result.end, true);
      result.trainBefore = CompareFrames(Sample(m.node, result.start, result.end, false), mush);
    }
    // The weights the solve starts from, for solving past maxInfluences again.
    const bool limitInfluences = o_.maxInfluences < result.limit && !o_.cutInfluences;
    const SkinWeightTable unsolved = limitInfluences ? ReadSkinWeights(m.node) : SkinWeightTable();
    if (!Press("Solve Skin weights", error)) return false;
    if (m.fernwick->IsEnabled()) return Fail("the solve wrote no weights", error);
    if (scoreTraining) result.trainAfter = CompareFrames(Sample(m.node, result.start, result.end, false), mush);
    if (limitInfluences) {
      const auto limited = CommandClock::now();
      InfluenceLimit limit;
      if (!LimitInfluencesBySolving(m.node, m.fernwick, unsolved, result.start, result.end, o_.maxInfluences,
                                    m.fernwick->GetParamBlock(0)->GetInt(pb_solverIterations, 0), limit, error))
        return false;
      clock_.Add("influences", SecondsSince(limited));
      result.resolved = limit.vertices;
      result.keptCut = limit.keptCut;
      result.widest = limit.widest;
    }
    if (plan_.proxyPoses) {
      m.fernwick->EnableMod();
      ip->OpenModifyPanel(m.fernwick);
      session_.rollout = FindOpenRollout(L"Parameters");
      if (!Press("Replace and remove proxy", error)) return false;
    }
    if (!RestoreFileWeights(mesh, result.kept, error)) return false;
    // What is scored after is what the file will hold.
    result.cut = StoreWeightsAsWritten(m.node, o_.maxInfluences, o_.weightFormat);

    size_t k = 0;
    for (int e : plan_.evalClips) {
      const ClipPlacement* p = Placement(ic_, e);
      if (!p) continue;
      const PoseFrames baked = Sample(m.node, p->first, p->last(), false);
      result.clips[k].after = CompareFrames(baked, clipMush[k]);
      if (review_)
        result.review.push_back(
            EncodeReviewMeshClip(clipMush[k], baked, result.clips[k].before, result.clips[k].after));
      clipMush[k] = PoseFrames();
      ++k;
    }
    ip->CloseModifyPanel();
    ip->SetTime(0);
    return true;
  }

 private:
  PoseFrames Sample(INode* node, int first, int last, bool deltaMush) {
    const auto t = CommandClock::now();
    PoseFrames frames = SampleNode(node, first, last, deltaMush);
    clock_.Add("sampling", SecondsSince(t));
    return frames;
  }

  bool Fail(const std::string& why, std::string& error) {
    error = why;
    return false;
  }

  bool Press(const char* caption, std::string& error) {
    const auto t = CommandClock::now();
    if (!PressButtonByCaption(session_, caption, error)) return false;
    out_ << "  \"" << caption << "\" " << SecondsSince(t) << " s\n";
    return true;
  }

  // The training range: proxy poses, range of motion and clips on the
  // proxies; or the training clips on the rig's bones.
  bool KeyTraining(size_t mesh, MeshBake& result, std::string& error) {
    const ImportedMesh& m = ic_.meshes[mesh];
    IParamBlock2* pb = m.fernwick->GetParamBlock(0);
    std::vector<ClipPlacement> trained;
    for (int t : plan_.trainClips)
      if (const ClipPlacement* p = Placement(ic_, t)) trained.push_back(*p);
    if (plan_.proxyPoses) {
      if (!Press("Create input animation", error)) return false;
      const std::vector<INode*> proxies = ProxyBones(m.node);
      int end = pb->GetInt(pb_endFrame, 0);
      if (plan_.rangeOfMotion.enabled()) end = KeyRangeOfMotion(proxies, end + 1, plan_.rangeOfMotion);
      if (!trained.empty()) end = KeyClipsOnProxies(proxies, SkinBones(mesh), trained, end + 2);
      pb->SetValue(pb_endFrame, 0, end);
    } else {
      pb->SetValue(pb_startFrame, 0, trained.front().first);
      pb->SetValue(pb_endFrame, 0, trained.back().last());
    }
    result.start = pb->GetInt(pb_startFrame, 0);
    result.end = pb->GetInt(pb_endFrame, 0);
    out_ << "Training on frames " << result.start << " to " << result.end << ":";
    if (plan_.proxyPoses) out_ << " proxy poses";
    if (plan_.rangeOfMotion.enabled()) out_ << ", range of motion " << plan_.rangeOfMotion.Describe();
    for (size_t k = 0; k < plan_.trainClips.size(); ++k)
      out_ << (k == 0 && !plan_.proxyPoses ? " " : ", ") << "\"" << c_.animations[plan_.trainClips[k]].name << "\"";
    out_ << "\n";
    return true;
  }

  // The mesh's rig Skin bones in its order, which the proxies take too.
  std::vector<INode*> SkinBones(size_t mesh) const {
    std::vector<INode*> bones;
    for (int j : c_.meshes[mesh].joints) bones.push_back(ic_.bones[j]);
    return bones;
  }

  // Puts the file's weights back on the vertices the solve could not reach.
  bool RestoreFileWeights(size_t mesh, const std::vector<int>& vertices, std::string& error) {
    if (vertices.empty()) return true;
    SkinAccess skin;
    if (!FindSkin(ic_.meshes[mesh].node, skin) || !skin.importData) return Fail("the rig Skin is gone", error);
    const GltfSkinnedMesh& m = c_.meshes[mesh];
    for (int v : vertices) {
      Tab<INode*> bones;
      Tab<float> weights;
      for (auto [slot, w] : m.weights[v]) {
        bones.Append(ic_.bones[m.joints[slot]]);
        weights.Append(w);
      }
      if (!skin.importData->AddWeights(ic_.meshes[mesh].node, v, bones, weights))
        return Fail("the Skin refused the weights of vertex " + std::to_string(v), error);
    }
    return true;
  }

  const CharacterOptions& o_;
  const GltfCharacter& c_;
  const TrainingPlan& plan_;
  ImportedCharacter& ic_;
  SolveStageClock& clock_;
  std::ostream& out_;
  bool review_;
  RolloutSession session_;
};

// The whole character's fit per scored clip: every mesh's figures as one.
std::vector<ClipFit> WholeCharacterClips(const std::vector<MeshBake>& bakes) {
  std::vector<ClipFit> whole;
  if (bakes.empty()) return whole;
  for (size_t k = 0; k < bakes.front().clips.size(); ++k) {
    ClipFit fit = bakes.front().clips[k];
    std::vector<const FitStats*> befores, afters;
    for (const MeshBake& b : bakes) befores.push_back(&b.clips[k].before), afters.push_back(&b.clips[k].after);
    fit.before = CombineFits(befores);
    fit.after = CombineFits(afters);
    whole.push_back(std::move(fit));
  }
  return whole;
}

// The most influences a vertex of the node's Skin has.
int WidestSkinVertex(INode* node) {
  SkinAccess skin;
  if (!FindSkin(node, skin) || !skin.context) return 0;
  int widest = 0;
  for (int v = 0; v < skin.context->GetNumPoints(); ++v) {
    int n = 0;
    for (int k = 0; k < skin.context->GetNumAssignedBones(v); ++k) n += skin.context->GetBoneWeight(v, k) > 0.0f;
    widest = std::max(widest, n);
  }
  return widest;
}

void PrintReport(const CharacterOptions& o, const GltfCharacter& c, const std::vector<MeshBake>& bakes,
                 std::ostream& out) {
  const bool several = bakes.size() > 1;
  out << "Weights as written: at most " << o.maxInfluences << " per vertex ("
      << (o.maxInfluences <= 4 ? "JOINTS_0/WEIGHTS_0 only" : "JOINTS_0/WEIGHTS_0 and JOINTS_1/WEIGHTS_1")
      << "), stored as " << GltfWeightFormatName(o.weightFormat) << "; the fit after scores them\n";
  for (size_t m = 0; m < bakes.size(); ++m) {
    const MeshBake& b = bakes[m];
    if (b.clips.empty()) {
      out << "Fit of linear skinning to the Delta Mush result over the " << (b.end - b.start + 1) << " training frames";
      out << (several ? " of \"" + c.meshes[m].name + "\"" : std::string()) << ":\n";
      PrintFit(out, "before", b.trainBefore);
      PrintFit(out, "after ", b.trainAfter);
      if (b.trainBefore.rms > 0) out << "  RMS ratio after/before: " << b.trainAfter.rms / b.trainBefore.rms << "\n";
    }
    const std::string who = several ? "\"" + c.meshes[m].name + "\": " : std::string();
    if (b.resolved > 0)
      out << who << b.resolved << (b.resolved == 1 ? " vertex" : " vertices") << " solved again on their "
          << o.maxInfluences << " strongest bones (the solve gave up to " << b.widest << "); " << b.keptCut
          << " of them keep their solved weights cut to those bones, which fit their frames better\n";
    if (b.cut > 0)
      out << who << b.cut << (b.cut == 1 ? " vertex" : " vertices") << " cut to their " << o.maxInfluences
          << " largest weights, renormalised\n";
    if (!b.kept.empty())
      out << who << b.kept.size() << (b.kept.size() == 1 ? " vertex" : " vertices")
          << " kept the file's weights: their heaviest bone is not among their " << b.limit << " nearest\n";
  }
  if (bakes.empty() || bakes.front().clips.empty()) return;
  out << "Fit per clip (RMS and largest distance to the Delta Mush result, before -> after"
      << (several ? "; the whole character, then each mesh" : "") << "):\n";
  const std::vector<ClipFit> whole = WholeCharacterClips(bakes);
  for (size_t k = 0; k < whole.size(); ++k) {
    PrintClipFit(out, whole[k]);
    if (several)
      for (size_t m = 0; m < bakes.size(); ++m)
        PrintMeshClipFit(out, c.meshes[m].name, bakes[m].clips[k].before, bakes[m].clips[k].after);
  }
}

// Every mesh in one picture, as the character stands in its file's world at
// the bind pose (+Y up, +Z front), whatever axes it was authored in.
ReportView ReportViewOf(const CharacterOptions& o, const GltfCharacter& c, const std::vector<MeshBake>& bakes) {
  ReportView view;
  const bool clips = !bakes.front().clips.empty();
  view.title = clips ? "Largest distance per vertex to Delta Mush, scored clips"
                     : "Fernwick fit: largest distance per vertex to Delta Mush";
  view.subtitle = "weights as written: at most " + std::to_string(o.maxInfluences) + " influences per vertex, " +
                  GltfWeightFormatName(o.weightFormat);
  for (size_t m = 0; m < bakes.size(); ++m) {
    const MeshBake& b = bakes[m];
    const int base = static_cast<int>(view.positions.size());
    const std::vector<Point3> positions = GltfBindWorldPositions(c.meshes[m]);
    const size_t n = positions.size();
    view.positions.insert(view.positions.end(), positions.begin(), positions.end());
    for (const auto& t : c.meshes[m].triangles) view.triangles.push_back({t[0] + base, t[1] + base, t[2] + base});
    std::vector<const std::vector<float>*> bs, as;
    if (clips) {
      for (const ClipFit& fit : b.clips) bs.push_back(&fit.before.perVertexMax), as.push_back(&fit.after.perVertexMax);
    } else {
      bs.push_back(&b.trainBefore.perVertexMax);
      as.push_back(&b.trainAfter.perVertexMax);
    }
    const std::vector<float> before = PerVertexMax(bs, n), after = PerVertexMax(as, n);
    view.errorBefore.insert(view.errorBefore.end(), before.begin(), before.end());
    view.errorAfter.insert(view.errorAfter.end(), after.begin(), after.end());
    std::vector<char> kept(n, 0);
    for (int v : b.kept) kept[v] = 1;
    view.kept.insert(view.kept.end(), kept.begin(), kept.end());
  }
  return view;
}

BakeSummary SummaryOf(const CharacterOptions& o, const GltfCharacter& c, const TrainingPlan& plan,
                      const std::vector<int>& scored, const std::vector<MeshBake>& bakes, const ImportedCharacter& ic) {
  BakeSummary s;
  s.command = "bake";
  s.source = o.inPath;
  s.output = o.outPath;
  s.maxInfluences = o.maxInfluences;
  s.weightFormat = GltfWeightFormatName(o.weightFormat);
  s.training = true;
  s.proxyPoses = plan.proxyPoses;
  s.rangeOfMotionDegrees = plan.rangeOfMotion.enabled() ? plan.rangeOfMotion.degrees : 0.0f;
  for (int t : plan.trainClips) s.trainingClips.push_back(c.animations[t].name);
  s.clips = WholeCharacterClips(bakes);
  s.clipAnimations = scored;
  for (size_t m = 0; m < bakes.size(); ++m) {
    const MeshBake& b = bakes[m];
    MeshSummary ms;
    ms.name = c.meshes[m].name;
    ms.vertices = static_cast<int>(c.meshes[m].positions.size());
    ms.boneLimit = b.limit;
    ms.keptVertices = static_cast<int>(b.kept.size());
    ms.resolvedVertices = b.resolved;
    ms.cutVertices = b.cut;
    ms.trainingStart = b.start;
    ms.trainingEnd = b.end;
    ms.trainingFit = b.clips.empty();
    ms.trainBefore = b.trainBefore;
    ms.trainAfter = b.trainAfter;
    ms.clips = b.clips;
    s.largestInfluences = std::max(s.largestInfluences, WidestSkinVertex(ic.meshes[m].node));
    s.meshes.push_back(std::move(ms));
  }
  // Per-vertex values are the page's, not the summary's.
  for (ClipFit& f : s.clips) f.before.perVertexMax.clear(), f.after.perVertexMax.clear();
  for (MeshSummary& ms : s.meshes) {
    for (ClipFit& f : ms.clips) f.before.perVertexMax.clear(), f.after.perVertexMax.clear();
    ms.trainBefore.perVertexMax.clear();
    ms.trainAfter.perVertexMax.clear();
  }
  return s;
}

bool WriteBakeReview(const CharacterOptions& o, const GltfCharacter& c, const BakeSummary& summary,
                     std::vector<MeshBake>& bakes, const std::string& path, long& bytes, std::string& error) {
  ReviewPageInput page;
  page.character = &c;
  page.sourceName = std::filesystem::path(o.inPath).filename().string();
  page.bakedName = std::filesystem::path(o.outPath).filename().string();
  if (!SelfContainedGlb(o.inPath, page.sourceGlb, error) || !SelfContainedGlb(o.outPath, page.bakedGlb, error))
    return false;
  page.summaryJson = BakeSummaryJson(summary);
  page.clipAnimations = summary.clipAnimations;
  page.clips.resize(summary.clips.size());
  for (size_t k = 0; k < page.clips.size(); ++k)
    for (MeshBake& b : bakes) page.clips[k].push_back(std::move(b.review.at(k)));
  const ReviewPage built = BuildReviewPage(page);
  bytes = static_cast<long>(built.html.size());
  return WriteReviewPage(built, path, error);
}

std::string FormatSeconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, s < 10 ? "%.2f s" : "%.1f s", s);
  return text;
}

}  // namespace

int RunBake(const CharacterOptions& o, std::ostream& out, std::ostream& err, BakeStats* stats) {
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
  SolveStageClock clock;
  // A mistyped output should cost seconds, not the whole bake.
  const std::string report = ReportPathFor(o), review = ReviewPathFor(o);
  if (!CheckOutputFile(o.outPath, error) || !CheckOutputFile(report, error) ||
      (!review.empty() && !CheckOutputFile(review, error)) ||
      (!o.summaryPath.empty() && !CheckOutputFile(o.summaryPath, error)))
    return fail(error);
  TrainingPlan plan;
  if (!LoadFernwick(o.pluginPath, error) || !ReadCharacterFile(o, c, error) || !PlanTraining(o, c, plan, error) ||
      !BuildCharacterScene(o, c, KeyedClips(plan), ic, out, error))
    return fail(error);
  clock.Add("import", SecondsSince(t0));

  std::vector<int> scored;  // the scored clips that are keyed
  for (int e : plan.evalClips)
    if (Placement(ic, e)) scored.push_back(e);
  Bake bake(o, c, plan, ic, clock, out, !review.empty());
  std::vector<MeshBake> bakes(c.meshes.size());
  for (size_t m = 0; m < c.meshes.size(); ++m) {
    if (c.meshes.size() > 1)
      out << "Mesh \"" << c.meshes[m].name << "\" (" << (m + 1) << " of " << c.meshes.size() << ", "
          << c.meshes[m].positions.size() << " vertices):\n";
    if (!bake.Run(m, bakes[m], error))
      return fail(c.meshes.size() > 1 ? "mesh \"" + c.meshes[m].name + "\": " + error : error);
  }
  const auto exported = CommandClock::now();
  if (!ExportCharacterWeights(c, MeshNodes(ic), o.maxInfluences, o.weightFormat, o.outPath, error)) return fail(error);
  PrintReport(o, c, bakes, out);

  if (!WriteFitReportPng(ReportViewOf(o, c, bakes), report, error)) {
    err << "fernwick bake: wrote " << o.outPath << " but not the report: " << error << "\n";
    GetCOREInterface()->CloseModifyPanel();
    CloseHostSession();
    return 1;
  }
  clock.Add("export", SecondsSince(exported));
  const double total = SecondsSince(t0);
  std::map<std::string, double> seconds = clock.Seconds();
  double counted = 0;
  for (const auto& [stage, s] : seconds) counted += s;
  seconds["other"] = std::max(0.0, total - counted);
  out << "Time:";
  for (const char* stage : {"import", "sampling", "distances", "search", "influences", "export", "other"})
    out << (std::string(stage) == "import" ? " " : ", ") << stage << " " << FormatSeconds(seconds[stage]);
  out << "\n";
  seconds["total"] = total;
  BakeSummary summary = SummaryOf(o, c, plan, scored, bakes, ic);
  summary.seconds = seconds;
  std::vector<std::string> written = {o.outPath, report};
  long reviewBytes = 0;
  if (!review.empty()) {
    if (!WriteBakeReview(o, c, summary, bakes, review, reviewBytes, error)) {
      err << "fernwick bake: wrote " << o.outPath << " but not the review page: " << error << "\n";
      GetCOREInterface()->CloseModifyPanel();
      CloseHostSession();
      return 1;
    }
    written.push_back(review);
  }
  if (!o.summaryPath.empty()) {
    if (!WriteFileAtomically(o.summaryPath, BakeSummaryJson(summary), error)) {
      err << "fernwick bake: wrote " << o.outPath << " but not the summary: " << error << "\n";
      GetCOREInterface()->CloseModifyPanel();
      CloseHostSession();
      return 1;
    }
    written.push_back(o.summaryPath);
  }
  if (stats) {
    *stats = BakeStats();
    stats->meshes = static_cast<int>(c.meshes.size());
    for (size_t m = 0; m < c.meshes.size(); ++m) {
      stats->vertices += static_cast<int>(c.meshes[m].positions.size());
      stats->trainingFrames = std::max(stats->trainingFrames, bakes[m].end - bakes[m].start + 1);
      stats->boneLimit = std::max(stats->boneLimit, bakes[m].limit);
      stats->keptVertices += static_cast<int>(bakes[m].kept.size());
    }
    stats->seconds = seconds;
    stats->summary = summary;
    stats->reviewBytes = reviewBytes;
  }
  out << "Wrote ";
  for (size_t k = 0; k < written.size(); ++k)
    out << (k == 0 ? "" : k + 1 == written.size() ? " and " : ", ") << written[k];
  out << " (" << FormatSeconds(SecondsSince(t0)) << " in all)\n";
  GetCOREInterface()->CloseModifyPanel();
  CloseHostSession();
  return 0;
}
