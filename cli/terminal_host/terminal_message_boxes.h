// Message boxes of the plug-in on the terminal: every box is printed, and
// questions are answered by the user, or with yes when told so.
#pragma once
#include <iostream>

#include "sdk/message_box.h"

class TerminalMessageBoxPolicy : public MessageBoxPolicy {
 public:
  TerminalMessageBoxPolicy(bool answerYes, std::istream& in, std::ostream& out)
      : answerYes_(answerYes), in_(in), out_(out) {}
  int Answer(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override;

 private:
  bool answerYes_;
  std::istream& in_;
  std::ostream& out_;
};

// Installs the policy for the life of the object.
class ScopedMessageBoxPolicy {
 public:
  explicit ScopedMessageBoxPolicy(MessageBoxPolicy* p) : previous_(SetMessageBoxPolicy(p)) {}
  ~ScopedMessageBoxPolicy() { SetMessageBoxPolicy(previous_); }
  ScopedMessageBoxPolicy(const ScopedMessageBoxPolicy&) = delete;
  ScopedMessageBoxPolicy& operator=(const ScopedMessageBoxPolicy&) = delete;

 private:
  MessageBoxPolicy* previous_;
};
