// Message boxes shown as modal dialogs in the page. The box blocks the host
// thread, as a modal box does, until the page answers; with no page connected,
// or when the last one goes while the box is open, or when the studio stops,
// the box gets its safe answer (No for questions, else its first button) so
// the host never hangs.
#pragma once
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

#include "cli/studio/studio_events.h"
#include "sdk/message_box.h"

struct OpenMessageBox {
  int id = 0;  // counts the boxes of this run from 1
  std::wstring caption, text;
  UINT type = 0;
};

class PageMessageBoxPolicy : public MessageBoxPolicy {
 public:
  explicit PageMessageBoxPolicy(StudioEvents& events) : events_(events) {}

  // On the host thread: publishes the box and waits for its answer.
  int Answer(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override;

  // From the page: answer ("ok", "cancel", "yes", "no", ...) to box `id`.
  // False with the reason, and the box stays open, when no such box is open
  // or the box has no such button.
  bool Reply(int id, const std::string& answer, std::string& error);

  std::optional<OpenMessageBox> Current() const;
  // Answers an open box safely and every later one at once.
  void Close();

  // The safe answer of a box type, and its buttons as the page names them.
  static int SafeAnswer(UINT type);
  static std::string ButtonsOf(UINT type);
  // The box as the page's event data (JSON).
  static std::string Describe(const OpenMessageBox& box);

 private:
  StudioEvents& events_;
  mutable std::mutex mutex_;
  std::condition_variable answered_;
  std::optional<OpenMessageBox> open_;
  int answer_ = 0;
  int lastId_ = 0;
  bool closed_ = false;
};
