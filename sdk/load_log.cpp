#include "load_log.h"

namespace {
std::vector<MSTR>& Log() {
  static std::vector<MSTR> log;
  return log;
}
}  // namespace

void LogLoadMessage(const MSTR& text) { Log().push_back(text); }
const std::vector<MSTR>& LoadLog() { return Log(); }
void ClearLoadLog() { Log().clear(); }
