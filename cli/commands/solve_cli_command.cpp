#include "cli/commands/solve_cli_command.h"

#include <chrono>

#include "cli/commands/bone_limit.h"
#include "cli/files/output_check.h"
#include "cli/files/solve_inputs_dump.h"
#include "cli/report/fit_report.h"
#include "cli/terminal_host/rollout_session.h"
#include "cli/terminal_host/terminal_message_boxes.h"
#include "frame/fernwick_ids.h"
#include "sdk/interface.h"
#include "sdk/param_block.h"
#include "sdk/scene_file.h"

namespace {
using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }
}  // namespace

int RunSolve(const SolveOptions& o, std::istream& in, std::ostream& out, std::ostream& err) {
  TerminalMessageBoxPolicy policy(o.yes, in, out);
  ScopedMessageBoxPolicy scoped(&policy);
  RolloutSession session;
  std::string error;
  auto fail = [&](const std::string& why) {
    err << "fernwick solve: " << why << "\n";
    CloseRolloutSession(session);
    return 1;
  };
  if (!CheckOutputFile(o.outPath, error) || (!o.dumpPath.empty() && !CheckOutputFile(o.dumpPath, error)))
    return fail(error);
  if (!OpenRolloutSession(o.scenePath, o.nodeName, o.pluginPath, session, err, error)) return fail(error);

  IParamBlock2* pb = session.fernwick->GetParamBlock(0);
  const TimeValue now = GetCOREInterface()->GetTime();
  if (o.startFrame) pb->SetValue(pb_startFrame, now, *o.startFrame);
  if (o.endFrame) pb->SetValue(pb_endFrame, now, *o.endFrame);
  if (o.iterations) pb->SetValue(pb_solverIterations, now, *o.iterations);
  // Settle the bone limit here, in the program's own terms, rather than let
  // the solve refuse after sampling.
  BoneLimitNeed need;
  if (MeasureBoneLimitNeed(session.node, need, error)) {
    int limit = 0;
    const int requested = o.boneLimitAuto ? 0 : o.boneLimit ? *o.boneLimit : pb->GetInt(pb_boneLimit, now);
    const bool fromScene = !o.boneLimitAuto && !o.boneLimit;
    if (!ChooseBoneLimit(need, requested, limit, error, fromScene ? "the scene's bone limit" : "--bone-limit"))
      return fail(fromScene ? error + " (or --bone-limit auto)" : error);
    if (o.boneLimitAuto) out << AutoBoneLimitLine(need, limit) << "\n";
    pb->SetValue(pb_boneLimit, now, limit);
  } else if (o.boneLimit) {
    pb->SetValue(pb_boneLimit, now, *o.boneLimit);  // the solve itself will say what is missing
  }
  const int start = pb->GetInt(pb_startFrame, now), end = pb->GetInt(pb_endFrame, now);

  const auto t0 = Clock::now();
  const PoseFrames mush = SampleNode(session.node, start, end, true);
  const PoseFrames before = SampleNode(session.node, start, end, false);
  const auto t1 = Clock::now();
  if (!o.dumpPath.empty()) {
    if (!DumpSolveInputs(session.node, session.fernwick, o.dumpPath, error)) return fail(error);
    out << "Wrote the solve inputs to " << o.dumpPath << "\n";
  }
  const auto t2 = Clock::now();
  if (!PressButtonByCaption(session, "Solve Skin weights", error)) return fail(error);
  const auto t3 = Clock::now();
  // A finished solve switches the modifier off; one still on wrote nothing.
  if (session.fernwick->IsEnabled()) return fail("the solve wrote no weights; the scene was not saved");
  const PoseFrames after = SampleNode(session.node, start, end, false);
  const auto t4 = Clock::now();

  const FitStats b = CompareFrames(before, mush), a = CompareFrames(after, mush);
  out << "Fit of linear skinning to the Delta Mush result over frames " << start << " to " << end << " ("
      << (mush.empty() ? 0 : mush[0].size()) << " vertices):\n";
  PrintFit(out, "before", b);
  PrintFit(out, "after ", a);
  if (b.rms > 0) out << "  RMS ratio after/before: " << a.rms / b.rms << "\n";
  out << "Time: sampling " << Seconds(t0, t1) + Seconds(t3, t4) << " s, solve " << Seconds(t2, t3) << " s\n";
  if (!SaveScene(o.outPath, error)) return fail(error);
  out << "Wrote " << o.outPath << "\n";
  CloseRolloutSession(session);
  return 0;
}
