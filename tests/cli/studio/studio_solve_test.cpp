// Solving in the studio: an imported character starts with the Bone affect
// limit its skin needs, and the fit of each solve reaches the page in the
// figures the program prints.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "cli/studio/scene_view.h"
#include "tests/cli/gltf/gltf_test_file.h"
#include "tests/cli/studio/studio_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/sample_files.h"
#include "tests/support/temp_dir.h"

namespace {

using nlohmann::json;

class StudioSolveTest : public StudioFixture {
 protected:
  // Presses "Solve Skin weights", answers its question Yes and returns the scene afterwards.
  json Solve(EventReader& page) {
    Answer res;
    std::thread press = PostLater("/api/rollout/press", R"({"rollout":0,"id":1011})", res);
    const json box = AnswerBox(page, "yes", page.Count());
    press.join();
    EXPECT_EQ(box["text"].get<std::string>().rfind("The solver takes into account", 0), 0u) << box["text"];
    EXPECT_EQ(res.status, 200);
    return res.status == 200 ? json::parse(res.body) : json();
  }
};

// A ribbon up a chain of ten joints one unit apart, each row on its own
// joint, except vertex 0, at the root, on joint 6: its 7th nearest.
std::string ChainNeedingSeven(const TempDir& dir) {
  GltfTestFile f;
  std::vector<float> pos, weights, ibm;
  std::vector<std::uint8_t> joints;
  std::vector<std::uint16_t> idx;
  for (int r = 0; r < 10; ++r)
    for (float x : {0.3f, -0.3f}) {
      pos.insert(pos.end(), {x, float(r), 0.1f});
      joints.insert(joints.end(), {std::uint8_t(pos.size() == 3 ? 6 : r), 0, 0, 0});
      weights.insert(weights.end(), {1, 0, 0, 0});
    }
  for (std::uint16_t a = 0; a + 3 < 20; a += 2) idx.insert(idx.end(), {a, std::uint16_t(a + 1), std::uint16_t(a + 2),
                                                                      std::uint16_t(a + 1), std::uint16_t(a + 3),
                                                                      std::uint16_t(a + 2)});
  for (int j = 0; j < 10; ++j) ibm.insert(ibm.end(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -float(j), 0, 1});
  using J = nlohmann::ordered_json;
  J attrs = {{"POSITION", f.AddFloats(pos, "VEC3", 34962)},
             {"JOINTS_0", f.AddBytes(joints, "VEC4", 34962)},
             {"WEIGHTS_0", f.AddFloats(weights, "VEC4", 34962)}};
  const int indices = f.AddIndices(idx), inverseBind = f.AddFloats(ibm, "MAT4");
  J nodes = J::array({{{"name", "ribbon"}, {"mesh", 0}, {"skin", 0}}}), skin = J::array();
  for (int j = 0; j < 10; ++j) {
    std::string name = "j";
    name += std::to_string(j);
    J n = {{"name", name}, {"translation", {0, j == 0 ? 0 : 1, 0}}};
    if (j < 9) n["children"] = {j + 2};
    nodes.push_back(n);
    skin.push_back(j + 1);
  }
  f.json["scene"] = 0;
  f.json["scenes"] = J::array({{{"nodes", {0, 1}}}});
  f.json["nodes"] = nodes;
  f.json["meshes"] = J::array({{{"primitives", J::array({{{"attributes", attrs}, {"indices", indices}}})}}});
  f.json["skins"] = J::array({{{"joints", skin}, {"inverseBindMatrices", inverseBind}}});
  return f.SaveGlb(dir, "chain.glb");
}

TEST_F(StudioSolveTest, ImportedCharactersStartWithTheBoneLimitTheyNeedAndSolveAtOnce) {
  TempDir dir;
  const std::string chain = ChainNeedingSeven(dir);
  FW_SAMPLE_FILE(fox, "Fox.glb");
  EventReader page(server->Port(), server->Token());
  ASSERT_TRUE(page.WaitFor("hello"));
  // The limits `bake` chooses for these files (its own tests): 7 for both.
  for (const std::string& file : {chain, fox}) {
    auto res = Post("/api/open", json{{"path", file}, {"discard", true}}.dump());
    ASSERT_TRUE(res && res->status == 200) << res->body;
    const json opened = json::parse(res->body);
    EXPECT_EQ(Control(opened, 1495)["text"], "7") << file;
    EXPECT_NE(opened["status"]["prompt"].get<std::string>().find(
                  "Bone affect limit 7: the smallest with which every vertex keeps its heaviest bone"),
              std::string::npos)
        << opened["status"]["prompt"];
    const json solved = Solve(page);
    EXPECT_TRUE(solved["fit"].is_object()) << file << ": the solve wrote no weights";
    EXPECT_FALSE(page.WaitFor("box", nullptr, std::chrono::milliseconds(1), page.Count()))
        << "no refusal followed the question";
  }
}

TEST_F(StudioSolveTest, TheFitOfASolveIsWhatTheProgramPrintsForTheSameScene) {
  TempDir dir;
  ASSERT_EQ(Post("/api/save-as", json{{"path", dir.File("before.fws")}}.dump())->status, 200);
  const json start = Scene();
  ASSERT_EQ(Control(start, 1493)["text"], "1");
  ASSERT_EQ(Control(start, 1494)["text"], "31");
  // The distance of linear skinning to Delta Mush over the frames, worked out
  // from the viewport's own measure of it.
  double sumSq = 0, largest = 0;
  long count = 0;
  host.Run([&] {
    INode* node = NodeByHandle(GetCOREInterface(), start["selected"].get<int>());
    for (int f = 1; f <= 31; ++f) {
      MeshTopology topology;
      MeshFrame frame;
      EvaluateNodeView(node, f * GetTicksPerFrame(), topology, frame);
      for (float d : frame.displacement) sumSq += double(d) * d, largest = std::max(largest, double(d)), ++count;
    }
  });
  EventReader page(server->Port(), server->Token());
  ASSERT_TRUE(page.WaitFor("hello"));
  const json fit = Solve(page)["fit"];
  ASSERT_TRUE(fit.is_object());
  EXPECT_EQ(fit["start"], 1);
  EXPECT_EQ(fit["end"], 31);
  EXPECT_EQ(fit["vertices"], 9952);
  EXPECT_NEAR(fit["before"]["rms"].get<double>(), std::sqrt(sumSq / count), 1e-6);
  EXPECT_NEAR(fit["before"]["max"].get<double>(), largest, 1e-6);
  ASSERT_EQ(fit["clips"].size(), 1u);
  EXPECT_EQ(fit["clips"][0]["name"], "wave");
  EXPECT_EQ(fit["clips"][0]["trained"], true);
  EXPECT_TRUE(fit["clips"][0]["after"].is_object());
  EXPECT_EQ(fit["waiting"], "");

  // The program, on the scene as it was, prints the same figures.
  std::string printed;
  ASSERT_EQ(RunFernwickIn(dir.path.string(), "solve before.fws -o after.fws --yes", printed), 0) << printed;
  for (const char* when : {"before", "after"}) {
    std::smatch m;
    ASSERT_TRUE(std::regex_search(printed, m, std::regex(std::string(when) + " ?: mean [^,]+, RMS ([^,]+), max (\\S+)")))
        << printed;
    EXPECT_NEAR(fit[when]["rms"].get<double>(), std::stod(m[1]), 1e-5 * std::stod(m[1])) << when;
    EXPECT_NEAR(fit[when]["max"].get<double>(), std::stod(m[2]), 1e-5 * std::stod(m[2])) << when;
    EXPECT_NE(fit["text"].get<std::string>().find(m[0].str()), std::string::npos) << "printed alike: " << m[0];
  }
  EXPECT_LT(fit["after"]["rms"].get<double>(), 0.8 * fit["before"]["rms"].get<double>());
}

}  // namespace
