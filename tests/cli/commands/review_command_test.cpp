// The review page and the summary from the command line: written beside the
// output unless told otherwise, checked before the work, and refused for a
// pair of files that are not a character and its bake.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>

#include "cli/sample_characters/arm_character.h"
#include "tests/support/run_program.h"
#include "tests/support/small_tail.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(ReviewCommand, BakeWritesThePageBesideItsOutputUnlessToldNone) {
  TempDir d;
  WriteSmallTail(d, 1);
  std::string out;
  ASSERT_EQ(RunFernwickIn(d.path.string(), "bake tail.glb -o baked.glb", out), 0) << out;
  EXPECT_TRUE(std::filesystem::exists(d.File("baked_review.html"))) << out;
  EXPECT_NE(out.find("baked_review.html"), std::string::npos) << "the bake says where the page is";
  out.clear();
  ASSERT_EQ(RunFernwickIn(d.path.string(), "bake tail.glb -o none.glb --review none --summary none.json", out), 0) << out;
  std::vector<std::string> written;
  for (const auto& e : std::filesystem::directory_iterator(d.path)) written.push_back(e.path().filename().string());
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, (std::vector<std::string>{"baked.glb", "baked_report.png", "baked_review.html", "none.glb",
                                               "none.json", "none_report.png", "tail.glb"}));
  const nlohmann::json summary = nlohmann::json::parse(TempDir::Read(d.File("none.json")), nullptr, false);
  ASSERT_FALSE(summary.is_discarded());
  EXPECT_EQ(summary["schemaVersion"], 1);
  EXPECT_EQ(summary["command"], "bake");
  EXPECT_EQ(summary["influences"]["max"], 4);
  EXPECT_EQ(summary["influences"]["format"], "float");
  EXPECT_TRUE(summary["boneLimit"].is_number_integer());
  EXPECT_EQ(summary["training"]["clips"], nlohmann::json::array({"wave"}));
  ASSERT_EQ(summary["clips"].size(), 1u);
  EXPECT_EQ(summary["clips"][0]["trained"], true);
  EXPECT_LT(summary["clips"][0]["after"]["rms"].get<double>(), summary["clips"][0]["before"]["rms"].get<double>());
  EXPECT_GT(summary["seconds"]["total"].get<double>(), 0.0);
}

TEST(ReviewCommand, OutputsAreCheckedBeforeTheWork) {
  TempDir d;
  WriteSmallTail(d, 1);
  for (const char* args : {"bake tail.glb -o baked.glb --review no/such/folder/r.html",
                           "bake tail.glb -o baked.glb --summary no/such/folder/s.json",
                           "review tail.glb tail.glb -o no/such/folder/r.html"}) {
    std::string out;
    EXPECT_EQ(RunFernwickIn(d.path.string(), args, out), 1) << args << "\n" << out;
    EXPECT_NE(out.find("no/such/folder"), std::string::npos) << out;
    EXPECT_EQ(out.find("Imported"), std::string::npos) << "nothing was read first: " << out;
    EXPECT_FALSE(std::filesystem::exists(d.File("baked.glb")));
  }
}

TEST(ReviewCommand, RefusesFilesThatAreNotACharacterAndItsBake) {
  TempDir d;
  WriteSmallTail(d, 1);
  d.Write("arm.glb", MakeArmCharacterGlb());
  std::string out;
  EXPECT_EQ(RunFernwickIn(d.path.string(), "review tail.glb arm.glb -o r.html", out), 1) << out;
  EXPECT_NE(out.find("arm.glb is not a bake of tail.glb"), std::string::npos) << out;
  EXPECT_FALSE(std::filesystem::exists(d.File("r.html")));
}

}  // namespace
