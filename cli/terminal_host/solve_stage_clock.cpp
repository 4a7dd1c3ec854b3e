#include "cli/terminal_host/solve_stage_clock.h"

#include "sdk/utf8.h"

namespace {

// The solve's stage a prompt text belongs to, or empty.
std::string StageOf(const std::string& prompt) {
  if (prompt.rfind("Collecting DeltaMush samples", 0) == 0) return "sampling";
  if (prompt.rfind("Calculating distances", 0) == 0) return "distances";
  if (prompt.rfind("Solving weights", 0) == 0) return "search";
  return "";
}

}  // namespace

SolveStageClock::SolveStageClock() { GetCOREInterface()->SetStatusListener(this); }

SolveStageClock::~SolveStageClock() { GetCOREInterface()->SetStatusListener(nullptr); }

void SolveStageClock::Close(std::chrono::steady_clock::time_point now) {
  if (!stage_.empty()) seconds_[stage_] += std::chrono::duration<double>(now - since_).count();
}

void SolveStageClock::StatusChanged() {
  const std::string stage = StageOf(WideToUtf8(GetCOREInterface()->GetPrompt()));
  if (stage == stage_) return;
  const auto now = std::chrono::steady_clock::now();
  Close(now);
  stage_ = stage;
  since_ = now;
}

const std::map<std::string, double>& SolveStageClock::Seconds() {
  const auto now = std::chrono::steady_clock::now();
  Close(now);
  since_ = now;
  return seconds_;
}
