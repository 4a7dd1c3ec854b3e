#include "message_box.h"

namespace {
MessageBoxPolicy* g_policy = nullptr;
std::vector<MessageBoxRecord>& Log() {
  static std::vector<MessageBoxRecord> log;
  return log;
}
}  // namespace

int ScriptedMessageBoxPolicy::Answer(HWND, const std::wstring&, const std::wstring&, UINT type) {
  if (!queue_.empty()) {
    const int a = queue_.front();
    queue_.pop_front();
    return a;
  }
  switch (type & MB_TYPEMASK) {
    case MB_OK:
    case MB_OKCANCEL: return IDOK;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_RETRYCANCEL: return IDRETRY;
    default: return questionDefault_;  // Yes/No and Yes/No/Cancel
  }
}

ScriptedMessageBoxPolicy& DefaultMessageBoxPolicy() {
  static ScriptedMessageBoxPolicy policy;
  return policy;
}

MessageBoxPolicy* SetMessageBoxPolicy(MessageBoxPolicy* policy) {
  MessageBoxPolicy* prev = g_policy ? g_policy : &DefaultMessageBoxPolicy();
  g_policy = policy;
  return prev;
}

const std::vector<MessageBoxRecord>& MessageBoxLog() { return Log(); }
void ClearMessageBoxLog() { Log().clear(); }

int MessageBoxW(HWND hWnd, const wchar_t* text, const wchar_t* caption, UINT type) {
  MessageBoxRecord r;
  r.owner = hWnd;
  r.text = text ? text : L"";
  r.caption = caption ? caption : L"";
  r.type = type;
  MessageBoxPolicy* p = g_policy ? g_policy : &DefaultMessageBoxPolicy();
  r.answer = p->Answer(r.owner, r.text, r.caption, r.type);
  Log().push_back(r);
  return r.answer;
}
