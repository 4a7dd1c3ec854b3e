// The studio's files as a person works them from the page: names taken from
// the document's folder, nothing replaced without consent (twice for a file
// of another kind), mistakes answered with a 4xx sentence saying what to do.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/studio/studio_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using nlohmann::json;

class StudioFilesTest : public StudioFixture {
 protected:
  json Check(const std::string& path, const std::string& use) {
    auto res = Post("/api/file/check", json{{"path", path}, {"use", use}}.dump());
    EXPECT_TRUE(res && res->status == 200);
    return res ? json::parse(res->body) : json();
  }
  // The status and message of a refused request.
  std::pair<int, std::string> Refusal(const std::string& rest, const json& body) {
    auto res = Post(rest, body.dump());
    if (!res) return {0, ""};
    const json answer = json::parse(res->body, nullptr, false);
    return {res->status, answer.contains("error") ? answer["error"].get<std::string>() : ""};
  }
};

TEST_F(StudioFilesTest, SaveAsTakesNamesFromTheScenesFolderAndAsksBeforeReplacing) {
  TempDir dir;
  const std::string first = dir.File("first.fws");
  auto res = Post("/api/save-as", json{{"path", first}}.dump());
  ASSERT_TRUE(res && res->status == 200) << res->body;
  EXPECT_EQ(json::parse(res->body)["document"]["folder"], dir.path.string());

  // A bare name now lands beside the scene, and the page is told where.
  const json fresh = Check("second.fws", "save");
  EXPECT_EQ(fresh, (json{{"path", dir.File("second.fws")}, {"kind", "none"}, {"problem", ""}, {"replaces", "none"}}));
  ASSERT_EQ(Post("/api/save-as", json{{"path", "second.fws"}}.dump())->status, 200);
  EXPECT_TRUE(std::filesystem::exists(dir.File("second.fws")));

  // An existing scene: refused until the person confirms.
  Post("/api/rollout/value", R"({"rollout":0,"id":1491,"value":6})");
  const std::string firstBytes = TempDir::Read(first);
  EXPECT_EQ(Check("first.fws", "save")["replaces"], "same");
  auto [status, message] = Refusal("/api/save-as", {{"path", "first.fws"}});
  EXPECT_EQ(status, 409);
  EXPECT_EQ(message, first + " already exists: confirm that it is to be replaced");
  EXPECT_EQ(TempDir::Read(first), firstBytes);
  EXPECT_EQ(Post("/api/save-as", json{{"path", "first.fws"}, {"replace", true}}.dump())->status, 200);
  EXPECT_NE(TempDir::Read(first), firstBytes);

  // A file that is no scene: one confirmation is not enough.
  const std::string notes = dir.Write("notes.fws", "my notes, not a scene");
  EXPECT_EQ(Check(notes, "save")["kind"], "other");
  EXPECT_EQ(Check(notes, "save")["replaces"], "other");
  std::tie(status, message) = Refusal("/api/save-as", {{"path", notes}, {"replace", true}});
  EXPECT_EQ(status, 409);
  EXPECT_NE(message.find("is not a Fernwick scene"), std::string::npos) << message;
  EXPECT_EQ(TempDir::Read(notes), "my notes, not a scene");
  EXPECT_EQ(Post("/api/save-as", json{{"path", notes}, {"replace", true}, {"replaceOther", true}}.dump())->status, 200);
  EXPECT_EQ(Check(notes, "save")["kind"], "scene");

  // Mistakes in the name: a 4xx that says what to do, and nothing written.
  struct Case {
    std::string path;
    std::string says;
  };
  std::filesystem::create_directory(dir.File("folder"));
  const Case mistakes[] = {
      {"missing/scene.fws", "the folder " + dir.File("missing") + " does not exist: create it first"},
      {"folder", dir.File("folder") + " is a folder: add a file name to it"},
      {"  ", "type a file name"},
  };
  for (const Case& c : mistakes) {
    EXPECT_EQ(Check(c.path, "save")["problem"].get<std::string>().rfind(c.says, 0), 0u) << c.path;
    std::tie(status, message) = Refusal("/api/save-as", {{"path", c.path}, {"replace", true}, {"replaceOther", true}});
    EXPECT_EQ(status, 400) << c.path;
    EXPECT_EQ(message.rfind(c.says, 0), 0u) << message;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
  EXPECT_TRUE(std::filesystem::is_empty(dir.File("folder")));
}

TEST_F(StudioFilesTest, ExportBeforeTheProxyIsReplacedNamesTheButtonToPress) {
  TempDir dir;
  EventReader page(server->Port(), server->Token());
  ASSERT_TRUE(page.WaitFor("hello"));
  Answer created;
  std::thread press = PostLater("/api/rollout/press", R"({"rollout":0,"id":1010})", created);
  AnswerBox(page, "yes");
  press.join();
  ASSERT_EQ(created.status, 200);
  const std::string says = "press \"Replace and remove proxy\" first";
  EXPECT_NE(Check("", "export")["blocked"].get<std::string>().find(says), std::string::npos);
  auto [status, message] = Refusal("/api/export", {{"path", dir.File("out.glb")}});
  EXPECT_EQ(status, 409);
  EXPECT_NE(message.find(says), std::string::npos) << message;
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.glb")));

  // Replaced: the export is written, and a second one asks before replacing it.
  std::thread replace = PostLater("/api/rollout/press", R"({"rollout":0,"id":1014})", created);
  AnswerBox(page, "ok", page.Count());
  replace.join();
  EXPECT_EQ(Check("", "export")["blocked"], "");
  EXPECT_EQ(Post("/api/export", json{{"path", dir.File("out.glb")}}.dump())->status, 200);
  EXPECT_EQ(TempDir::Read(dir.File("out.glb")).substr(0, 4), "glTF");
  EXPECT_EQ(Check(dir.File("out.glb"), "export")["replaces"], "same");
  EXPECT_EQ(Refusal("/api/export", {{"path", dir.File("out.glb")}}).first, 409);
}

TEST_F(StudioFilesTest, OpenAndNewReplaceTheSceneOnlyWithConsentToLoseChanges) {
  TempDir dir;
  // A scene of the demo with Iterations 4, and the studio changed since.
  Post("/api/rollout/value", R"({"rollout":0,"id":1491,"value":4})");
  ASSERT_EQ(Post("/api/save-as", json{{"path", dir.File("four.fws")}}.dump())->status, 200);
  EXPECT_FALSE(Scene()["document"]["modified"]);
  Post("/api/rollout/value", R"({"rollout":0,"id":1491,"value":8})");
  EXPECT_TRUE(Scene()["document"]["modified"]);

  auto [status, message] = Refusal("/api/new", json::object());
  EXPECT_EQ(status, 409);
  EXPECT_EQ(message, "the scene has changes that are not saved: save them first, or confirm discarding them");
  EXPECT_EQ(Control(Scene(), 1491)["text"], "8");

  const json mistakes[] = {{{"path", "nowhere.fws"}, {"discard", true}},
                           {{"path", dir.Write("notes.txt", "text")}, {"discard", true}}};
  for (const json& body : mistakes) {
    std::tie(status, message) = Refusal("/api/open", body);
    EXPECT_EQ(status, 400) << body;
    EXPECT_TRUE(message.find("there is no file") != std::string::npos ||
                message.find("neither a Fernwick scene nor a glTF character") != std::string::npos)
        << message;
    EXPECT_EQ(Control(Scene(), 1491)["text"], "8") << "the scene stays";
  }

  auto res = Post("/api/open", json{{"path", "four.fws"}, {"discard", true}}.dump());
  ASSERT_TRUE(res && res->status == 200) << res->body;
  json state = json::parse(res->body);
  EXPECT_EQ(state["document"]["savePath"], dir.File("four.fws"));
  EXPECT_EQ(state["document"]["modified"], false);
  EXPECT_EQ(Control(state, 1491)["text"], "4");
  EXPECT_EQ(state["fit"], nullptr);

  res = Post("/api/new", "{}");
  ASSERT_TRUE(res && res->status == 200) << res->body;
  state = json::parse(res->body);
  EXPECT_EQ(state["document"]["kind"], "demo");
  EXPECT_EQ(Control(state, 1491)["text"], "1");
  EXPECT_NE(state["status"]["prompt"].get<std::string>().find("Bone affect limit 5"), std::string::npos);
}

}  // namespace
