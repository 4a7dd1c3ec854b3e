// Stand-in host: where the prompt line and the progress bar show their text.
// Standard error by default; tests point it at a string stream; nullptr is
// silent.
#pragma once
#include <iosfwd>
#include <string>

void SetHostTerminal(std::ostream* out);
std::ostream* GetHostTerminal();
// Writes one line, tagged with what shows it ("prompt", "progress").
void HostTerminalLine(const char* tag, const std::wstring& text);
