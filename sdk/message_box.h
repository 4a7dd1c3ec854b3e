// Stand-in host: modal message boxes. Nothing is shown; a replaceable
// policy answers each box, and every box is logged with its answer.
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "host_types.h"

// Buttons (low four bits) and icons.
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0xF0;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

struct MessageBoxRecord {
  HWND owner = nullptr;
  std::wstring text;
  std::wstring caption;
  UINT type = 0;
  int answer = 0;
};

// Decides the answer to one box.
class MessageBoxPolicy {
 public:
  virtual ~MessageBoxPolicy() = default;
  virtual int Answer(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) = 0;
};

// Answers from a queue; when it is empty, OK-style boxes get their first
// button and questions the configured default (IDNO unless set).
class ScriptedMessageBoxPolicy : public MessageBoxPolicy {
 public:
  int Answer(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override;
  void QueueAnswer(int answer) { queue_.push_back(answer); }
  void SetQuestionDefault(int answer) { questionDefault_ = answer; }
  int PendingAnswers() const { return static_cast<int>(queue_.size()); }
  void Reset() {
    queue_.clear();
    questionDefault_ = IDNO;
  }

 private:
  std::deque<int> queue_;
  int questionDefault_ = IDNO;
};

// The host's own scripted policy, in use until another is set.
ScriptedMessageBoxPolicy& DefaultMessageBoxPolicy();
// Sets the policy (not owned; nullptr restores the default); returns the previous one.
MessageBoxPolicy* SetMessageBoxPolicy(MessageBoxPolicy* policy);

// Every box shown since the last clear, in order.
const std::vector<MessageBoxRecord>& MessageBoxLog();
void ClearMessageBoxLog();

int MessageBoxW(HWND hWnd, const wchar_t* text, const wchar_t* caption, UINT type);
