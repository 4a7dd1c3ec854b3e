#include "cli/studio/page_message_boxes.h"

#include <chrono>
#include <nlohmann/json.hpp>

#include "sdk/utf8.h"

namespace {

struct Button {
  const char* name;
  int answer;
};

// The buttons of each MB_TYPEMASK value, in the order the box shows them.
std::vector<Button> Buttons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{"ok", IDOK}, {"cancel", IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{"abort", IDABORT}, {"retry", IDRETRY}, {"ignore", IDIGNORE}};
    case MB_YESNOCANCEL: return {{"yes", IDYES}, {"no", IDNO}, {"cancel", IDCANCEL}};
    case MB_YESNO: return {{"yes", IDYES}, {"no", IDNO}};
    case MB_RETRYCANCEL: return {{"retry", IDRETRY}, {"cancel", IDCANCEL}};
    default: return {{"ok", IDOK}};
  }
}

const char* IconOf(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return "error";
    case MB_ICONQUESTION: return "question";
    case MB_ICONEXCLAMATION: return "warning";
    case MB_ICONASTERISK: return "information";
    default: return "none";
  }
}

// How often a waiting box looks whether its page is still there.
constexpr auto kPageCheck = std::chrono::milliseconds(100);

}  // namespace

int PageMessageBoxPolicy::SafeAnswer(UINT type) {
  const UINT buttons = type & MB_TYPEMASK;
  if (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) return IDNO;
  return Buttons(type).front().answer;
}

std::string PageMessageBoxPolicy::ButtonsOf(UINT type) {
  std::string out;
  for (const Button& b : Buttons(type)) {
    if (!out.empty()) out += ',';
    out += b.name;
  }
  return out;
}

std::string PageMessageBoxPolicy::Describe(const OpenMessageBox& box) {
  nlohmann::json buttons = nlohmann::json::array();
  for (const Button& b : Buttons(box.type)) buttons.push_back(b.name);
  return nlohmann::json{{"id", box.id},
                        {"caption", WideToUtf8(box.caption)},
                        {"text", WideToUtf8(box.text)},
                        {"type", box.type},
                        {"icon", IconOf(box.type)},
                        {"buttons", buttons}}
      .dump();
}

int PageMessageBoxPolicy::Answer(HWND, const std::wstring& text, const std::wstring& caption, UINT type) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_ || events_.ClientCount() == 0) return SafeAnswer(type);
  OpenMessageBox box;
  box.id = ++lastId_;
  box.caption = caption;
  box.text = text;
  box.type = type;
  open_ = box;
  answer_ = 0;
  events_.Publish("box", nlohmann::json::parse(Describe(box)), true);
  while (answer_ == 0) {
    answered_.wait_for(lock, kPageCheck);
    if (answer_ == 0 && (closed_ || events_.ClientCount() == 0)) answer_ = SafeAnswer(type);
  }
  const int answer = answer_;
  open_.reset();
  events_.Publish("boxclosed", nlohmann::json{{"id", box.id}, {"answer", answer}}, false, "box");
  return answer;
}

bool PageMessageBoxPolicy::Reply(int id, const std::string& answer, std::string& error) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_ || open_->id != id || answer_ != 0) {
    error = "message box " + std::to_string(id) + " is not open";
    return false;
  }
  for (const Button& b : Buttons(open_->type)) {
    if (answer != b.name) continue;
    answer_ = b.answer;
    answered_.notify_all();
    return true;
  }
  error = "the message box has no button \"" + answer + "\" (it has " + ButtonsOf(open_->type) + ")";
  return false;
}

std::optional<OpenMessageBox> PageMessageBoxPolicy::Current() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (answer_ != 0) return std::nullopt;
  return open_;
}

void PageMessageBoxPolicy::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  answered_.notify_all();
}
