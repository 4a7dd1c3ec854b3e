// A studio as `fernwick studio` runs one, in the test's process: the host
// thread with the plug-in and the demo character, the page's message boxes,
// the status feed and the web server on a free port; plus a client for it.
#pragma once
#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "cli/studio/host_status_feed.h"
#include "cli/studio/host_thread.h"
#include "cli/studio/page_message_boxes.h"
#include "cli/studio/studio_document.h"
#include "cli/studio/studio_events.h"
#include "cli/studio/studio_server.h"
#include "cli/terminal_host/plugin_host.h"
#include "sdk/interface.h"
#include "sdk/scene_file.h"
#include "tests/cli/studio/event_reader.h"

class StudioFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    host.Run([&] {
      previousPolicy = SetMessageBoxPolicy(&boxes);
      feed = std::make_unique<HostStatusFeed>(GetCOREInterface(), events);
      std::ostringstream out;
      opened = document.Open(StudioOptions(), out, error);
    });
    ASSERT_TRUE(opened) << error;
    server = std::make_unique<StudioServer>(host, events, boxes, document);
    ASSERT_TRUE(server->Bind(0, error)) << error;
    server->Start();
    client = std::make_unique<httplib::Client>("127.0.0.1", server->Port());
    client->set_read_timeout(60);
  }

  void TearDown() override {
    if (server) server->Stop();
    host.Run([&] {
      CloseHostSession();
      feed.reset();
      SetMessageBoxPolicy(previousPolicy);
    });
    host.Stop();
  }

  std::string Path(const std::string& rest) const { return "/" + server->Token() + rest; }

  // A client of its own per request, so that threads may post at once.
  httplib::Result Post(const std::string& rest, const std::string& body,
                       const std::string& type = "application/json") {
    httplib::Client own("127.0.0.1", server->Port());
    own.set_read_timeout(60);
    return own.Post(Path(rest).c_str(), body, type.c_str());
  }

  // A request answered while the test goes on (a question holds it); the
  // status stays 0 when no answer came.
  struct Answer {
    int status = 0;
    std::string body;
  };
  std::thread PostLater(const std::string& rest, const std::string& body, Answer& answer) {
    return std::thread([this, rest, body, &answer] {
      auto res = Post(rest, body);
      if (res) answer = {res->status, res->body};
    });
  }

  // Answers the next message box the page is shown (from its `from`-th
  // event on) and returns what it showed.
  nlohmann::json AnswerBox(EventReader& page, const std::string& answer, size_t from = 0) {
    const auto box = page.WaitFor("box", nullptr, std::chrono::seconds(60), from);
    EXPECT_TRUE(box) << "no message box came";
    if (!box) return nullptr;
    auto res = Post("/api/box/answer", nlohmann::json{{"box", box->data["id"]}, {"answer", answer}}.dump());
    EXPECT_TRUE(res && res->status == 200);
    return box->data;
  }

  nlohmann::json Scene() {
    auto res = client->Get(Path("/api/scene").c_str());
    EXPECT_TRUE(res && res->status == 200);
    return res ? nlohmann::json::parse(res->body) : nlohmann::json();
  }

  // The scene file's bytes now: what "nothing changed" is checked against.
  std::string SceneBytes() {
    std::string bytes, error;
    host.Run([&] { EXPECT_TRUE(SaveSceneToBytes(bytes, error)) << error; });
    return bytes;
  }

  // A control of the "Parameters" rollout in a scene state.
  static nlohmann::json Control(const nlohmann::json& scene, int id) {
    for (const auto& c : scene["panel"][0]["controls"])
      if (c["id"] == id) return c;
    return nullptr;
  }

  StudioEvents events;
  PageMessageBoxPolicy boxes{events};
  StudioDocument document;
  std::unique_ptr<HostStatusFeed> feed;
  HostThread host;
  std::unique_ptr<StudioServer> server;
  std::unique_ptr<httplib::Client> client;
  MessageBoxPolicy* previousPolicy = nullptr;
  bool opened = false;
};
