#include "cli/studio/host_status_feed.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "sdk/host_terminal.h"

namespace {

using nlohmann::json;

// Every status event a page would get, in order.
std::vector<json> StatusEvents(StudioEvents::Client& page) {
  std::vector<json> out;
  const std::string text = page.Next(std::chrono::milliseconds(1));
  for (size_t at = 0; (at = text.find("event: status\ndata: ", at)) != std::string::npos;) {
    at += 20;
    out.push_back(json::parse(text.substr(at, text.find('\n', at) - at)));
  }
  return out;
}

class HostStatusFeedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ip->ResetScene();
    previousTerminal = GetHostTerminal();
    SetHostTerminal(&terminal);
  }
  void TearDown() override {
    SetHostTerminal(previousTerminal);
    ip->ResetScene();
  }
  Interface* ip = GetCOREInterface();
  std::ostringstream terminal;
  std::ostream* previousTerminal = nullptr;
  StudioEvents events;
};

TEST_F(HostStatusFeedTest, PromptChangesReachThePageAndTheTerminalAlike) {
  auto page = events.Connect("");
  std::vector<json> late;
  {
    HostStatusFeed feed(ip, events);
    ip->PushPrompt(L"Collecting DeltaMush samples... 1/3");
    ip->PopPrompt();
    ip->PushPrompt(L"Solving weights... 3/3 (40 %), seconds remaining: 2");
    ip->ReplacePrompt(L"Solving weights... 3/3 (40 %), seconds remaining: 2");  // no change: no event
    // A page that connects now is told the status at once.
    auto latePage = events.Connect("");
    late = StatusEvents(*latePage);
    events.Disconnect(latePage);
    ip->PopPrompt();
  }
  ip->PushPrompt(L"after the feed");  // the feed is gone: nothing more reaches the page
  ip->PopPrompt();
  std::vector<std::string> prompts;
  for (const json& e : StatusEvents(*page)) prompts.push_back(e["prompt"]);
  EXPECT_EQ(prompts, (std::vector<std::string>{"", "Collecting DeltaMush samples... 1/3", "",
                                               "Solving weights... 3/3 (40 %), seconds remaining: 2", ""}));
  ASSERT_EQ(late.size(), 1u);
  EXPECT_EQ(late[0]["prompt"], "Solving weights... 3/3 (40 %), seconds remaining: 2");
  EXPECT_EQ(terminal.str(),
            "[prompt] Collecting DeltaMush samples... 1/3\n"
            "[prompt] Solving weights... 3/3 (40 %), seconds remaining: 2\n"
            "[prompt] Solving weights... 3/3 (40 %), seconds remaining: 2\n"
            "[prompt] after the feed\n");
  events.Disconnect(page);
}

TEST_F(HostStatusFeedTest, TheProgressBarReachesThePage) {
  auto page = events.Connect("");
  HostStatusFeed feed(ip, events);
  ip->ProgressStart(L"Binding...", TRUE, nullptr, nullptr);
  ip->ProgressUpdate(40, FALSE);
  ip->ProgressUpdate(40, FALSE);
  ip->ProgressUpdate(41, FALSE);
  ip->ProgressEnd();
  const std::vector<json> seen = StatusEvents(*page);
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen[0]["progress"]["active"], false) << "the status when the feed began";
  EXPECT_EQ(seen[1]["progress"], (json{{"active", true}, {"title", "Binding..."}, {"percent", -1}}));
  EXPECT_EQ(seen[2]["progress"]["percent"], 40);
  EXPECT_EQ(seen[3]["progress"]["percent"], 41);
  EXPECT_EQ(seen[4]["progress"]["active"], false);
  EXPECT_NE(terminal.str().find("[progress] Binding... done"), std::string::npos);
  events.Disconnect(page);
}

}  // namespace
