#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "sdk/atomic_write.h"
#include "tests/cli/studio/event_reader.h"
#include "tests/cli/studio/studio_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using nlohmann::json;

class StudioServerTest : public StudioFixture {};

std::set<std::string> Entries(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

TEST_F(StudioServerTest, ServesThePageAndItsFilesOnlyUnderTheToken) {
  auto page = client->Get(Path("/").c_str());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->body.find("<title>Fernwick studio</title>"), std::string::npos);
  EXPECT_NE(page->get_header_value("Content-Security-Policy").find("default-src 'self'"), std::string::npos);
  auto three = client->Get(Path("/three.module.js").c_str());
  ASSERT_TRUE(three);
  EXPECT_EQ(three->status, 200);
  EXPECT_EQ(three->get_header_value("Content-Type"), "text/javascript; charset=utf-8");
  // The orbit controls import the module by the name it is served under.
  auto orbit = client->Get(Path("/OrbitControls.js").c_str());
  ASSERT_TRUE(orbit);
  EXPECT_NE(orbit->body.find("from './three.module.js'"), std::string::npos);
  EXPECT_EQ(orbit->body.find("from 'three'"), std::string::npos);

  const std::string token = server->Token(), wrong(token.size(), '0'), shortened = token.substr(1);
  const std::string refused[] = {"/", "/index.html", "/" + wrong + "/", "/" + wrong + "/api/scene",
                                 "/" + token + "x/", "/" + shortened + "/", "/../" + token + "/"};
  for (const std::string& path : refused) {
    auto res = client->Get(path.c_str());
    ASSERT_TRUE(res) << path;
    EXPECT_EQ(res->status, 403) << path;
    EXPECT_NE(res->body.find("token"), std::string::npos) << path;
  }
  for (const std::string& name : std::vector<std::string>{"/passwd", "/studio_server.cpp", "/..", "/package.json", "/events.js"}) {
    auto res = client->Get(Path(name).c_str());
    ASSERT_TRUE(res) << name;
    EXPECT_EQ(res->status, 404) << name;
  }
}

TEST_F(StudioServerTest, RefusesOtherHostsAndSites) {
  const std::string port = std::to_string(server->Port());
  struct Case {
    const char* header;
    std::string value;
    int status;
  };
  const Case cases[] = {
      {"Host", "evil.example:" + port, 403},          // DNS rebinding
      {"Host", "127.0.0.1", 403},                     // no port
      {"Host", "127.0.0.1:1", 403},                   // another port
      {"Host", "localhost:" + port, 200},
      {"Origin", "http://evil.example", 403},
      {"Origin", "null", 403},
      {"Origin", "http://127.0.0.1:1", 403},
      {"Origin", "https://127.0.0.1:" + port, 403},
      {"Origin", "http://127.0.0.1:" + port, 200},
      {"Origin", "http://localhost:" + port, 200},
      {"Sec-Fetch-Site", "cross-site", 403},
      {"Sec-Fetch-Site", "same-site", 403},
      {"Sec-Fetch-Site", "same-origin", 200},
  };
  for (const Case& c : cases) {
    auto res = client->Get(Path("/api/scene").c_str(), {{c.header, c.value}});
    ASSERT_TRUE(res) << c.header << ": " << c.value;
    EXPECT_EQ(res->status, c.status) << c.header << ": " << c.value << " -> " << res->body;
  }
  // A forged action from another site is refused before it runs.
  const std::string before = SceneBytes();
  auto forged = client->Post(Path("/api/rollout/press").c_str(), {{"Origin", "http://evil.example"}},
                             R"({"rollout":0,"id":1009})", "application/json");
  ASSERT_TRUE(forged);
  EXPECT_EQ(forged->status, 403);
  EXPECT_EQ(SceneBytes(), before);
}

TEST_F(StudioServerTest, MalformedRequestsGetA4xxAndChangeNothing) {
  const std::string before = SceneBytes();
  const int revision = Scene()["revision"];
  struct Case {
    const char* path;
    std::string body;
    int status;
    const char* message;
    std::string type = "application/json";
  };
  const Case cases[] = {
      {"/api/rollout/press", "{\"rollout\":0,", 400, "not JSON"},
      {"/api/rollout/press", "[0, 1001]", 400, "JSON object"},
      {"/api/rollout/press", R"({"rollout":0})", 400, "\"id\""},
      {"/api/rollout/press", R"({"rollout":0,"id":"1001"})", 400, "integer"},
      {"/api/rollout/press", R"({"rollout":0,"id":1001.5})", 400, "integer"},
      {"/api/rollout/press", R"({"rollout":0,"id":99999999999})", 400, "32 bits"},
      {"/api/rollout/press", R"({"rollout":0,"id":4242})", 400, "no control 4242"},
      {"/api/rollout/press", R"({"rollout":7,"id":1001})", 400, "no rollout 7"},
      {"/api/rollout/press", R"({"rollout":0,"id":1004})", 400, "not a button"},
      {"/api/rollout/press", R"({"rollout":0,"id":1014})", 409, "disabled"},
      {"/api/rollout/press", R"({"rollout":0,"id":1001})", 415, "application/json", "text/plain"},
      {"/api/rollout/value", R"({"rollout":0,"id":1001,"value":3})", 400, "not a spinner"},
      {"/api/rollout/value", R"({"rollout":0,"id":1491,"value":"ten"})", 400, "number"},
      {"/api/rollout/spin", R"({"rollout":0,"id":1497,"clicks":100000})", 400, "clicks"},
      {"/api/rollout/fold", R"({"rollout":0,"open":1})", 400, "true or false"},
      {"/api/select", R"({"node":99})", 400, "no node with handle 99"},
      {"/api/select", R"({"node":0})", 400, "no node with handle 0"},
      {"/api/select", R"({"node":-3})", 400, "no node"},
      {"/api/stack/open", R"({"node":1,"position":9})", 400, "stack position 9"},
      {"/api/stack/enable", R"({"node":1,"position":-1,"enabled":false})", 400, "stack position -1"},
      {"/api/save", "{}", 409, "Save as"},
      {"/api/save-as", R"({"path":7})", 400, "string"},
      {"/api/box/answer", R"({"box":1,"answer":"yes"})", 409, "not open"},
  };
  for (const Case& c : cases) {
    auto res = Post(c.path, c.body, c.type);
    ASSERT_TRUE(res) << c.path << " " << c.body;
    EXPECT_EQ(res->status, c.status) << c.path << " " << c.body << " -> " << res->body;
    const json answer = json::parse(res->body, nullptr, false);
    ASSERT_TRUE(answer.contains("error")) << res->body;
    EXPECT_NE(answer["error"].get<std::string>().find(c.message), std::string::npos) << res->body;
  }
  for (const std::string& query : std::vector<std::string>{"/api/frame?node=1&frame=", "/api/frame?node=x&frame=1", "/api/frame?node=1&frame=1e3",
                                  "/api/frame?node=42&frame=1", "/api/frame?node=1&frame=2000000",
                                  "/api/topology?node=1&node=2"}) {
    auto res = client->Get(Path(query).c_str());
    ASSERT_TRUE(res) << query;
    EXPECT_EQ(res->status, 400) << query << " -> " << res->body;
  }
  EXPECT_EQ(SceneBytes(), before);
  EXPECT_EQ(Scene()["revision"], revision);
}

TEST_F(StudioServerTest, RequestBodiesAreBounded) {
  const std::string before = SceneBytes();
  std::string big = R"({"rollout":0,"id":1009,"pad":")";
  big.append(kStudioMaxRequestBytes, 'x').append("\"}");
  auto res = Post("/api/rollout/press", big);
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 413);
  EXPECT_EQ(SceneBytes(), before);
  // Just inside the bound is read (and refused for its unknown control).
  std::string fits = R"({"rollout":0,"id":4242,"pad":")";
  fits += std::string(kStudioMaxRequestBytes - fits.size() - 2, 'x') + "\"}";
  ASSERT_EQ(fits.size(), kStudioMaxRequestBytes);
  res = Post("/api/rollout/press", fits);
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 400);
}

TEST_F(StudioServerTest, ChunkedBodiesAreBoundedToo) {
  // A chunked body: the command first, then padding sent in 64 KiB pieces.
  auto chunked = [&](size_t padding, int value) {
    httplib::Client own("127.0.0.1", server->Port());
    own.set_write_timeout(10);
    const std::string head = R"({"rollout":0,"id":1491,"value":)" + std::to_string(value) + R"(,"pad":")";
    return own.Post(
        Path("/api/rollout/value").c_str(),
        [head, padding, sent = size_t(0)](size_t, httplib::DataSink& sink) mutable {
          if (sent == 0) sink.write(head.data(), head.size());
          const size_t piece = std::min<size_t>(64 * 1024, padding - sent);
          if (piece > 0) sink.write(std::string(piece, 'x').data(), piece);
          sent += piece;
          if (sent >= padding) {
            sink.write("\"}", 2);
            sink.done();
          }
          return true;
        },
        "application/json");
  };
  const std::string before = SceneBytes();
  auto huge = chunked(5 * 1024 * 1024, 7);
  // Refused with 413, or cut off while still sending: either way never run.
  if (huge) {
    EXPECT_EQ(huge->status, 413) << huge->body;
  }
  EXPECT_EQ(SceneBytes(), before);
  EXPECT_EQ(Control(Scene(), 1491)["text"], "1");
  // Within the bound a chunked body is read like any other.
  auto small = chunked(1000, 3);
  ASSERT_TRUE(small);
  EXPECT_EQ(small->status, 200) << small->body;
  EXPECT_EQ(Control(Scene(), 1491)["text"], "3");
}

TEST_F(StudioServerTest, EveryChangeMovesTheRevisionAndEveryPageHearsIt) {
  EventReader first(server->Port(), server->Token()), second(server->Port(), server->Token());
  const auto hello = first.WaitFor("hello");
  ASSERT_TRUE(hello && second.WaitFor("hello"));
  const int start = Scene()["revision"];
  EXPECT_EQ(hello->data["revision"], start);
  // Two pages type into Iterations at once: whichever the host runs last is
  // what it holds, and the last notice both pages hear is the state's revision.
  Answer a, b;
  std::thread ta = PostLater("/api/rollout/value", R"({"rollout":0,"id":1491,"value":2})", a);
  std::thread tb = PostLater("/api/rollout/value", R"({"rollout":0,"id":1491,"value":9})", b);
  ta.join();
  tb.join();
  ASSERT_TRUE(a.status == 200 && b.status == 200);
  const int ra = json::parse(a.body)["revision"], rb = json::parse(b.body)["revision"];
  EXPECT_EQ(std::set<int>({ra, rb}), std::set<int>({start + 1, start + 2}));
  const json last = json::parse(ra > rb ? a.body : b.body);
  const json now = Scene();
  EXPECT_EQ(now["revision"], start + 2);
  EXPECT_EQ(Control(now, 1491)["text"], Control(last, 1491)["text"]);
  for (EventReader* page : {&first, &second}) {
    ASSERT_TRUE(page->WaitFor("scene", [&](const json& d) { return d["revision"] == start + 2; }));
    int previous = -1;
    for (const auto& e : page->Events()) {
      ASSERT_TRUE(e.data.contains("revision")) << e.name;
      if (e.name != "scene") continue;
      EXPECT_GT(e.data["revision"].get<int>(), previous) << "in order";
      previous = e.data["revision"];
    }
  }
  // The time slider is host state too: a move is a change that every page
  // hears of; asking for the frame the slider is at changes nothing.
  const std::string node = std::to_string(Scene()["selected"].get<int>());
  auto moved = client->Get(Path("/api/frame?node=" + node + "&frame=5").c_str());
  ASSERT_TRUE(moved && moved->status == 200);
  EXPECT_EQ(moved->get_header_value("X-Fernwick-Revision"), std::to_string(start + 3));
  EXPECT_EQ(moved->get_header_value("X-Fernwick-Moved"), "1");
  const auto time = second.WaitFor("time");
  ASSERT_TRUE(time);
  EXPECT_EQ(time->data, (json{{"frame", 5}, {"revision", start + 3}}));
  for (const std::string query : {"&frame=5", ""}) {
    auto same = client->Get(Path("/api/frame?node=" + node + query).c_str());
    ASSERT_TRUE(same && same->status == 200);
    EXPECT_EQ(same->get_header_value("X-Fernwick-Revision"), std::to_string(start + 3)) << query;
    EXPECT_EQ(same->get_header_value("X-Fernwick-Moved"), "0") << query;
    EXPECT_EQ(static_cast<int>(static_cast<unsigned char>(same->body[12])), 5) << "the frame the slider is at";
  }
  EXPECT_EQ(Scene()["time"]["frame"], 5);
}

TEST_F(StudioServerTest, AStartFrameAfterTheEndIsRefusedWithAMessageBox) {
  EventReader page(server->Port(), server->Token());
  ASSERT_TRUE(page.WaitFor("hello"));
  const std::string before = SceneBytes();
  struct Case {
    const char* path;
    std::string body;
    const char* says;
  };
  const Case cases[] = {
      {"/api/rollout/value", R"({"rollout":0,"id":1493,"value":50})", "Start frame 50 lies after End frame 31"},
      {"/api/rollout/spin", R"({"rollout":0,"id":1500,"clicks":-31})", "End frame 0 lies before Start frame 1"},
  };
  for (const Case& c : cases) {
    Answer res;
    std::thread press = PostLater(c.path, c.body, res);
    const json box = AnswerBox(page, "ok", page.Count());
    press.join();
    EXPECT_EQ(box["caption"], "Fernwick studio");
    EXPECT_EQ(box["icon"], "warning");
    EXPECT_EQ(box["buttons"], json::array({"ok"}));
    EXPECT_NE(box["text"].get<std::string>().find(c.says), std::string::npos) << box["text"];
    ASSERT_EQ(res.status, 200);
    const json state = json::parse(res.body);
    EXPECT_EQ(Control(state, 1493)["text"], "1");
    EXPECT_EQ(Control(state, 1494)["text"], "31");
  }
  EXPECT_EQ(SceneBytes(), before);
  EXPECT_FALSE(Scene()["document"]["modified"]) << "nothing changed";
  // In order, the same fields take their values.
  auto res = Post("/api/rollout/value", R"({"rollout":0,"id":1493,"value":31})");
  EXPECT_EQ(Control(json::parse(res->body), 1493)["text"], "31");
  EXPECT_TRUE(json::parse(res->body)["document"]["modified"]);
}

TEST_F(StudioServerTest, ControlsReachTheRolloutAndTheAnswerShowsItsNewState) {
  json scene = Scene();
  EXPECT_EQ(Control(scene, 1491)["text"], "1");
  // Typed values are rounded and clamped by the parameter map, as in the host.
  auto res = Post("/api/rollout/value", R"({"rollout":0,"id":1491,"value":2.6})");
  ASSERT_TRUE(res && res->status == 200) << (res ? res->body : "");
  scene = json::parse(res->body);
  EXPECT_EQ(Control(scene, 1491)["text"], "3");
  res = Post("/api/rollout/spin", R"({"rollout":0,"id":1497,"clicks":2})");
  EXPECT_EQ(Control(json::parse(res->body), 1491)["text"], "5");
  res = Post("/api/rollout/value", R"({"rollout":0,"id":1502,"value":40})");
  scene = json::parse(res->body);
  EXPECT_EQ(Control(scene, 1502)["text"], "15");
  EXPECT_EQ(Control(scene, 1013)["text"], "0.0001") << "RefreshRollout ran for solverIterations";
  // A bound check box toggles its parameter.
  EXPECT_EQ(Control(scene, 1007)["checked"], true);
  res = Post("/api/rollout/press", R"({"rollout":0,"id":1007})");
  EXPECT_EQ(Control(json::parse(res->body), 1007)["checked"], false);
  // The About rollout folds and unfolds.
  ASSERT_EQ(scene["panel"].size(), 2u);
  EXPECT_EQ(scene["panel"][1]["title"], "About");
  EXPECT_EQ(scene["panel"][1]["open"], false);
  res = Post("/api/rollout/fold", R"({"rollout":1,"open":true})");
  EXPECT_EQ(json::parse(res->body)["panel"][1]["open"], true);
  EXPECT_GT(json::parse(res->body)["revision"].get<int>(), scene["revision"].get<int>());
}

TEST_F(StudioServerTest, AQuestionWaitsForThePageAndFollowsItsAnswer) {
  EventReader page(server->Port(), server->Token());
  ASSERT_TRUE(page.WaitFor("hello"));
  // "Create input animation" asks first; the request waits for the answer.
  std::thread press([&] {
    auto res = Post("/api/rollout/press", R"({"rollout":0,"id":1010})");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200) << res->body;
  });
  const auto box = page.WaitFor("box");
  ASSERT_TRUE(box);
  EXPECT_EQ(box->data["caption"], "Fernwick");
  EXPECT_EQ(box->data["icon"], "question");
  EXPECT_EQ(box->data["buttons"], json::array({"yes", "no"}));
  EXPECT_EQ(box->data["text"].get<std::string>().rfind("It will create sample poses for the weights solver.", 0), 0u);
  const int id = box->data["id"];
  // The scene state shows the open box to a page that reloads.
  auto answerWrong = Post("/api/box/answer", json{{"box", id}, {"answer", "ok"}}.dump());
  EXPECT_EQ(answerWrong->status, 409);
  EXPECT_NE(answerWrong->body.find("yes,no"), std::string::npos);
  auto answer = Post("/api/box/answer", json{{"box", id}, {"answer", "yes"}}.dump());
  EXPECT_EQ(answer->status, 200) << answer->body;
  press.join();
  EXPECT_TRUE(page.WaitFor("boxclosed", [&](const json& d) { return d["id"] == id && d["answer"] == 6; }));
  EXPECT_TRUE(page.WaitFor("scene"));
  const json scene = Scene();
  EXPECT_EQ(Control(scene, 1010)["enabled"], false);
  EXPECT_EQ(Control(scene, 1014)["enabled"], true);
  int proxies = 0;
  for (const auto& n : scene["nodes"]) proxies += n["name"].get<std::string>().rfind("FNWK_proxy_", 0) == 0;
  EXPECT_EQ(proxies, 5);
}

TEST_F(StudioServerTest, WithNoPageAQuestionIsAnsweredNo) {
  const std::string before = SceneBytes();
  auto res = Post("/api/rollout/press", R"({"rollout":0,"id":1010})");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(Control(json::parse(res->body), 1010)["enabled"], true) << "declined: no proxy";
  EXPECT_EQ(SceneBytes(), before);
}

TEST_F(StudioServerTest, APageClosedWhileItsBoxIsOpenAnswersNo) {
  auto page = std::make_unique<EventReader>(server->Port(), server->Token());
  ASSERT_TRUE(page->WaitFor("hello"));
  const auto began = std::chrono::steady_clock::now();
  std::thread press([&] {
    auto res = Post("/api/rollout/press", R"({"rollout":0,"id":1010})");
    ASSERT_TRUE(res);
    EXPECT_EQ(Control(json::parse(res->body), 1010)["enabled"], true) << "declined: no proxy";
  });
  ASSERT_TRUE(page->WaitFor("box"));
  page.reset();  // the tab is closed
  press.join();
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
  EXPECT_FALSE(Scene()["box"].is_object());
}

TEST_F(StudioServerTest, ProgressReachesThePageWhileTheCommandRuns) {
  EventReader page(server->Port(), server->Token());
  ASSERT_TRUE(page.WaitFor("hello"));
  std::thread press([&] {
    auto res = Post("/api/rollout/press", R"({"rollout":0,"id":1009})");  // "Bind with nearest bones"
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
  });
  const auto box = page.WaitFor("box");
  ASSERT_TRUE(box);
  EXPECT_EQ(Post("/api/box/answer", json{{"box", box->data["id"]}, {"answer", "yes"}}.dump())->status, 200);
  press.join();
  const auto binding = page.WaitFor("status", [](const json& d) {
    return d["progress"]["active"] == true && d["progress"]["title"] == "Binding...";
  });
  ASSERT_TRUE(binding);
  // The bar has ended by the time the answer came back.
  EXPECT_TRUE(page.WaitFor("status", [](const json& d) { return d["progress"]["active"] == false; },
                           std::chrono::seconds(5)));
  EXPECT_EQ(Scene()["status"]["progress"]["active"], false);
}

// Save as, Save and Export to glTF each put a new file in place of the
// previous one, never write over it; a disk that fills up at any file the
// request writes leaves the previous file and no temporary beside it.
TEST_F(StudioServerTest, SavesAndExportsReplaceTheFileWholeOrNotAtAll) {
  namespace fs = std::filesystem;
  TempDir dir;
  const fs::path kept = dir.path / "kept";
  fs::create_directory(dir.path / "work");
  fs::create_directory(kept);
  struct Case {
    std::string endpoint, name;
  } cases[] = {{"/api/save-as", "scene.fws"}, {"/api/save", "scene.fws"}, {"/api/export", "character.glb"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.endpoint);
    const std::string file = dir.File("work/" + c.name), previous = "the user's previous " + c.name;
    // The person has confirmed replacing the file, whatever it holds.
    const std::string body = json{{"path", file}, {"replace", true}, {"replaceOther", true}}.dump();
    dir.Write("work/" + c.name, previous);
    fs::remove(kept / c.name);
    fs::create_hard_link(file, kept / c.name);
    Post("/api/rollout/value", R"({"rollout":0,"id":1491,"value":7})");
    int files = 0;
    SetAtomicWriteFaultForTesting([&](size_t offset, size_t) {
      if (offset == 0) ++files;
      return true;
    });
    auto res = Post(c.endpoint, body);
    SetAtomicWriteFaultForTesting(nullptr);
    ASSERT_TRUE(res && res->status == 200) << (res ? res->body : "no answer");
    EXPECT_NE(TempDir::Read(file), previous);
    EXPECT_EQ(TempDir::Read((kept / c.name).string()), previous) << "written over in place";
    EXPECT_EQ(json::parse(res->body)["document"]["savePath"], dir.File("work/scene.fws"));
    ASSERT_GE(files, 1);
    const std::set<std::string> entries = Entries(dir.path / "work");
    for (int k = 1; k <= files; ++k) {
      dir.Write("work/" + c.name, previous);
      int started = 0;
      SetAtomicWriteFaultForTesting([&](size_t offset, size_t) { return (started += offset == 0) != k; });
      res = Post(c.endpoint, body);
      SetAtomicWriteFaultForTesting(nullptr);
      ASSERT_TRUE(res);
      EXPECT_EQ(res->status, 500) << "disk full at file " << k;
      EXPECT_NE(res->body.find("No space left"), std::string::npos) << res->body;
      EXPECT_EQ(TempDir::Read(file), previous) << "disk full at file " << k;
      EXPECT_EQ(Entries(dir.path / "work"), entries) << "disk full at file " << k;
    }
  }
  auto res = Post("/api/save-as", json{{"path", dir.File("missing/scene.fws")}}.dump());
  EXPECT_EQ(res->status, 400);
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
}

}  // namespace
