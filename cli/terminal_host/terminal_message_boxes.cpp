#include "cli/terminal_host/terminal_message_boxes.h"

#include <string>

#include "sdk/utf8.h"

int TerminalMessageBoxPolicy::Answer(HWND, const std::wstring& text, const std::wstring& caption, UINT type) {
  out_ << "[" << WideToUtf8(caption) << "] " << WideToUtf8(text) << "\n";
  const UINT buttons = type & MB_TYPEMASK;
  if (buttons != MB_YESNO && buttons != MB_YESNOCANCEL) return buttons == MB_OKCANCEL ? IDOK : IDOK;
  if (answerYes_) {
    out_ << "  -> yes (--yes)\n";
    return IDYES;
  }
  out_ << "  Yes or no? [y/N] " << std::flush;
  std::string line;
  if (!std::getline(in_, line)) {
    out_ << "\n  -> no (no answer on the terminal; give --yes to answer yes)\n";
    return IDNO;
  }
  const bool yes = !line.empty() && (line[0] == 'y' || line[0] == 'Y');
  return yes ? IDYES : IDNO;
}
