#include "cli/commands/press_command.h"

#include <chrono>

#include "cli/files/output_check.h"
#include "cli/terminal_host/rollout_session.h"
#include "cli/terminal_host/terminal_message_boxes.h"
#include "sdk/scene_file.h"

int RunPress(const PressOptions& options, std::istream& in, std::ostream& out, std::ostream& err) {
  TerminalMessageBoxPolicy policy(options.yes, in, out);
  ScopedMessageBoxPolicy scoped(&policy);
  RolloutSession session;
  std::string error;
  if (!CheckOutputFile(options.outPath, error) ||
      !OpenRolloutSession(options.scenePath, options.nodeName, options.pluginPath, session, err, error)) {
    err << "fernwick press: " << error << "\n";
    CloseRolloutSession(session);
    return 1;
  }
  for (const std::string& caption : options.buttons) {
    out << "Pressing \"" << caption << "\"\n";
    const auto t0 = std::chrono::steady_clock::now();
    if (!PressButtonByCaption(session, caption, error)) {
      err << "fernwick press: " << error << "; nothing was saved\n";
      CloseRolloutSession(session);
      return 1;
    }
    out << "  done in " << std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() << " s\n";
  }
  if (!SaveScene(options.outPath, error)) {
    err << "fernwick press: " << error << "\n";
    CloseRolloutSession(session);
    return 1;
  }
  out << "Wrote " << options.outPath << "\n";
  CloseRolloutSession(session);
  return 0;
}
