#include "cli/studio/page_message_boxes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <nlohmann/json.hpp>

#include "cli/studio/host_thread.h"

namespace {

using nlohmann::json;

// Boxes shown the way the plug-in shows them: MessageBoxW on the host thread,
// with the page's policy installed there.
class PageMessageBoxes : public ::testing::Test {
 protected:
  void SetUp() override {
    host.Run([&] { previous = SetMessageBoxPolicy(&boxes); });
  }
  void TearDown() override {
    boxes.Close();
    host.Run([&] { SetMessageBoxPolicy(previous); });
  }
  std::future<int> Show(UINT type, const wchar_t* text = L"Do you want to continue?") {
    return std::async(std::launch::async, [this, type, text] {
      int answer = 0;
      host.Run([&] { answer = MessageBoxW(nullptr, text, L"Fernwick", type); });
      return answer;
    });
  }
  // The data of the next event named `name` a page gets, within a few seconds.
  static json Next(StudioEvents::Client& page, const std::string& name) {
    for (int i = 0; i < 40; ++i) {
      const std::string text = page.Next(std::chrono::milliseconds(100));
      const size_t at = text.find("event: " + name + "\ndata: ");
      if (at != std::string::npos) {
        const size_t from = at + name.size() + 14;
        return json::parse(text.substr(from, text.find('\n', from) - from));
      }
    }
    return nullptr;
  }

  StudioEvents events;
  PageMessageBoxPolicy boxes{events};
  HostThread host;
  MessageBoxPolicy* previous = nullptr;
};

TEST_F(PageMessageBoxes, WithNoPageEveryBoxGetsItsSafeAnswerAtOnce) {
  const std::pair<UINT, int> cases[] = {
      {MB_YESNO | MB_ICONQUESTION, IDNO}, {MB_OK, IDOK},       {MB_ICONINFORMATION, IDOK},
      {MB_ICONEXCLAMATION, IDOK},         {MB_YESNOCANCEL, IDNO}, {MB_OKCANCEL, IDOK},
  };
  for (auto [type, safe] : cases) {
    auto answer = Show(type);
    ASSERT_EQ(answer.wait_for(std::chrono::seconds(2)), std::future_status::ready) << type;
    EXPECT_EQ(answer.get(), safe) << type;
  }
  EXPECT_FALSE(boxes.Current());
}

TEST_F(PageMessageBoxes, ABoxWaitsForThePagesAnswer) {
  auto page = events.Connect("");
  auto answer = Show(MB_YESNO | MB_ICONQUESTION, L"The rigg should be in the rest pose now.\nContinue?");
  const json box = Next(*page, "box");
  ASSERT_TRUE(box.is_object());
  EXPECT_EQ(box["caption"], "Fernwick");
  EXPECT_EQ(box["text"], "The rigg should be in the rest pose now.\nContinue?");
  EXPECT_EQ(box["type"], MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(box["icon"], "question");
  EXPECT_EQ(box["buttons"], json::array({"yes", "no"}));
  ASSERT_TRUE(boxes.Current());
  EXPECT_EQ(boxes.Current()->id, box["id"]);
  // A page that connects (or reloads) while the box is open is shown it.
  auto reloaded = events.Connect("");
  EXPECT_EQ(Next(*reloaded, "box"), box);
  events.Disconnect(reloaded);
  EXPECT_EQ(answer.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout) << "the host waits";

  std::string error;
  EXPECT_FALSE(boxes.Reply(box["id"], "ok", error));
  EXPECT_NE(error.find("no button \"ok\""), std::string::npos) << error;
  EXPECT_FALSE(boxes.Reply(box["id"].get<int>() + 1, "yes", error));
  EXPECT_NE(error.find("not open"), std::string::npos) << error;
  ASSERT_TRUE(boxes.Reply(box["id"], "yes", error)) << error;
  EXPECT_EQ(answer.get(), IDYES);
  const json closed = Next(*page, "boxclosed");
  EXPECT_EQ(closed["id"], box["id"]);
  EXPECT_EQ(closed["answer"], IDYES);
  EXPECT_FALSE(boxes.Current());
  EXPECT_FALSE(boxes.Reply(box["id"], "no", error)) << "a box is answered once";
  auto afterwards = events.Connect("");
  EXPECT_EQ(afterwards->Next(std::chrono::milliseconds(1)), ":\n\n") << "no box is kept once answered";
  events.Disconnect(afterwards);

  // A notice has one button, OK.
  auto notice = Show(MB_OK, L"Weights successfully replaced.");
  const json second = Next(*page, "box");
  EXPECT_EQ(second["id"], box["id"].get<int>() + 1);
  EXPECT_EQ(second["icon"], "none");
  EXPECT_EQ(second["buttons"], json::array({"ok"}));
  ASSERT_TRUE(boxes.Reply(second["id"], "ok", error)) << error;
  EXPECT_EQ(notice.get(), IDOK);
  events.Disconnect(page);
}

TEST_F(PageMessageBoxes, APageThatGoesAwayAnswersNo) {
  auto page = events.Connect("");
  auto answer = Show(MB_YESNO | MB_ICONQUESTION);
  ASSERT_TRUE(Next(*page, "box").is_object());
  events.Disconnect(page);
  ASSERT_EQ(answer.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_EQ(answer.get(), IDNO);
}

TEST_F(PageMessageBoxes, ClosingAnswersTheOpenBoxAndEveryLaterOne) {
  auto page = events.Connect("");
  auto answer = Show(MB_YESNO | MB_ICONQUESTION);
  ASSERT_TRUE(Next(*page, "box").is_object());
  boxes.Close();
  ASSERT_EQ(answer.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_EQ(answer.get(), IDNO);
  auto later = Show(MB_OK);
  ASSERT_EQ(later.wait_for(std::chrono::seconds(2)), std::future_status::ready);
  EXPECT_EQ(later.get(), IDOK);
  events.Disconnect(page);
}

}  // namespace
