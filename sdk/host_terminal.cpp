#include "host_terminal.h"

#include <iostream>

#include "utf8.h"

namespace {
std::ostream* g_terminal = &std::cerr;
}

void SetHostTerminal(std::ostream* out) { g_terminal = out; }
std::ostream* GetHostTerminal() { return g_terminal; }

void HostTerminalLine(const char* tag, const std::wstring& text) {
  if (!g_terminal) return;
  *g_terminal << '[' << tag << "] " << WideToUtf8(text) << '\n';
  g_terminal->flush();
}
