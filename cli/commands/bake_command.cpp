#include "cli/commands/bake_command.h"

#include <filesystem>
#include <sstream>

#include "cli/commands/bone_limit.h"
#include "cli/files/output_check.h"
#include "cli/report/fit_report.h"
#include "cli/report/report_image.h"
#include "cli/terminal_host/plugin_host.h"
#include "cli/terminal_host/rollout_session.h"
#include "cli/terminal_host/terminal_message_boxes.h"
#include "sdk/interface.h"
#include "sdk/param_block.h"
#include "sdk/rollout.h"

namespace {

enum : ParamID { kStartFrame = 7, kEndFrame = 8, kBoneLimit = 9 };

std::string ReportPathFor(const CharacterOptions& o) {
  if (!o.reportPath.empty()) return o.reportPath;
  std::filesystem::path p(o.outPath);
  p.replace_extension();
  return p.string() + "_report.png";
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
  if (!ImportCharacterFile(o, c, ic, out, error)) return fail(error);
  Interface* ip = GetCOREInterface();
  ip->SelectNode(ic.meshNode, 1);
  ip->OpenModifyPanel(ic.fernwick);
  RolloutSession session{ic.meshNode, ic.fernwick, FindOpenRollout(L"Parameters")};
  if (!session.rollout) return fail("the Fernwick rollout did not open");
  const bool proxyWorkflow = o.animation.empty();
  auto press = [&](const char* caption) {
    const auto t = CommandClock::now();
    if (!PressButtonByCaption(session, caption, error)) return false;
    out << "  \"" << caption << "\" " << SecondsSince(t) << " s\n";
    return true;
  };
  out << "Pressing the workflow's buttons:\n";
  if (!press("Extract state")) return fail(error);
  if (proxyWorkflow && !press("Create input animation")) return fail(error);
  IParamBlock2* pb = ic.fernwick->GetParamBlock(0);
  // The limit is settled on the scene the solve will see, proxies included.
  BoneLimitNeed need;
  int limit = 0;
  if (!MeasureBoneLimitNeed(ic.meshNode, need, error) ||
      !ChooseBoneLimit(need, o.boneLimitAuto ? 0 : o.boneLimit, limit, error))
    return fail(error);
  if (o.boneLimitAuto) out << AutoBoneLimitLine(need, limit) << "\n";
  pb->SetValue(kBoneLimit, ip->GetTime(), limit);
  const int start = pb->GetInt(kStartFrame, 0), end = pb->GetInt(kEndFrame, 0);
  const PoseFrames mush = SampleNode(ic.meshNode, start, end, true);
  const PoseFrames before = SampleNode(ic.meshNode, start, end, false);
  if (!press("Solve Skin weights")) return fail(error);
  if (ic.fernwick->IsEnabled()) return fail("the solve wrote no weights");
  const PoseFrames after = SampleNode(ic.meshNode, start, end, false);
  if (proxyWorkflow) {
    ic.fernwick->EnableMod();
    ip->OpenModifyPanel(ic.fernwick);
    session.rollout = FindOpenRollout(L"Parameters");
    if (!press("Replace and remove proxy")) return fail(error);
  }
  if (!ExportCharacterWeights(c, ic.meshNode, pb->GetInt(kBoneLimit, 0), o.outPath, error)) return fail(error);

  const FitStats b = CompareFrames(before, mush), a = CompareFrames(after, mush);
  out << "Fit of linear skinning to the Delta Mush result over " << (end - start + 1) << " frames ("
      << (proxyWorkflow ? "proxy poses" : "the clip") << "):\n";
  PrintFit(out, "before", b);
  PrintFit(out, "after ", a);
  if (b.rms > 0) out << "  RMS ratio after/before: " << a.rms / b.rms << "\n";
  ReportView view;
  // Drawn as the character stands in its file's world at rest (+Y up, +Z
  // front), whatever axes it was authored in.
  view.positions = GltfRestPoseWorldPositions(c);
  view.triangles = c.triangles;
  view.errorBefore = b.perVertexMax;
  view.errorAfter = a.perVertexMax;
  view.errorBefore.resize(view.positions.size(), 0.0f);
  view.errorAfter.resize(view.positions.size(), 0.0f);
  view.title = "Fernwick fit: largest distance per vertex to Delta Mush";
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

