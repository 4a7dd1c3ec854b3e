// The review page of a bake in a real browser: opened from file:// in
// Chromium it makes no request and logs no error; the two skins three.js plays
// from the page's inline files are where the program's own linear skinning
// puts them (`deform --gltf --linear` of each file), and the Delta Mush it
// decodes is `deform --gltf`'s within the stated quantisation step. The
// summary's figures are worked out again from those frames.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "cli/files/obj_file.h"
#include "cli/sample_characters/arm_character.h"
#include "tests/support/run_program.h"
#include "tests/support/sanitizers.h"
#include "tests/support/temp_dir.h"

namespace {

using Json = nlohmann::json;

// Every frame of a clip as `deform --gltf` writes them: [frame][welded vertex].
std::vector<std::vector<Point3>> DeformFrames(const TempDir& d, const std::string& file, int clip, bool linear) {
  const std::string dir = d.File(std::filesystem::path(file).stem().string() + (linear ? "_linear_" : "_mush_") +
                                 std::to_string(clip));
  std::string output;
  EXPECT_EQ(RunFernwickIn(d.path.string(),
                          "deform --gltf '" + file + "' -o '" + dir + "' --animation " + std::to_string(clip) +
                              (linear ? " --linear" : ""),
                          output),
            0)
      << output;
  std::vector<std::vector<Point3>> frames;
  for (int f = 1;; ++f) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%04d.obj", f);
    if (!std::filesystem::exists(dir + name)) break;
    ObjModel obj;
    std::string error;
    EXPECT_TRUE(ReadObjFile(dir + name, obj, error)) << error;
    frames.push_back(obj.positions);
  }
  return frames;
}

// RMS and largest distance over every vertex and frame.
std::pair<double, double> Fit(const std::vector<std::vector<Point3>>& a, const std::vector<std::vector<Point3>>& b) {
  double sumSq = 0, largest = 0;
  long n = 0;
  for (size_t f = 0; f < a.size() && f < b.size(); ++f)
    for (size_t v = 0; v < a[f].size() && v < b[f].size(); ++v) {
      const double dist = (a[f][v] - b[f][v]).Length();
      sumSq += dist * dist;
      largest = std::max(largest, dist);
      ++n;
    }
  return {n ? std::sqrt(sumSq / n) : 0.0, largest};
}

Json EmbeddedData(const std::string& html) {
  const std::string open = "<script type=\"application/json\" id=\"fw-data\">";
  const size_t from = html.find(open);
  if (from == std::string::npos) return Json();
  const size_t to = html.find("</script>", from);
  return Json::parse(html.substr(from + open.size(), to - from - open.size()), nullptr, false);
}

TEST(ReviewPage, ShowsTheBakeInChromiumAsTheProgramComputesIt) {
  if (FW_SANITIZED) GTEST_SKIP() << "a check of the page in the browser, run by the ordinary build";
  TempDir d;
  ArmCharacterShape shape;  // centimetres under a turned root, as exporters wrap skeletons
  shape.ringsPerBone = 4;
  shape.segments = 24;  // enough triangles that playing coarser draws fewer
  shape.units = 100.0f;
  shape.zUp = true;
  shape.skinnedMeshes = 2;
  shape.secondSkin = true;
  shape.hangingPart = true;
  d.Write("arm.glb", MakeArmCharacterGlb(shape));
  std::string output;
  ASSERT_EQ(RunFernwickIn(d.path.string(), "bake arm.glb -o baked.glb --summary summary.json", output), 0) << output;
  const std::string page = d.File("baked_review.html");
  ASSERT_TRUE(std::filesystem::exists(page)) << output;
  const Json summary = Json::parse(TempDir::Read(d.File("summary.json")), nullptr, false);
  ASSERT_FALSE(summary.is_discarded());
  EXPECT_EQ(summary["schemaVersion"], 1);
  ASSERT_EQ(summary["clips"].size(), 2u);
  EXPECT_EQ(summary["meshes"].size(), 2u);
  EXPECT_EQ(EmbeddedData(TempDir::Read(page))["summary"], summary) << "the page carries the summary";

  // The program's frames of each clip: Delta Mush of the source, linear skinning of each file.
  Json checks = Json::array();
  std::string bin;
  for (int k = 0; k < 2; ++k) {
    const int clip = summary["clips"][k]["animation"];
    const auto mush = DeformFrames(d, d.File("arm.glb"), clip, false);
    const auto source = DeformFrames(d, d.File("arm.glb"), clip, true);
    const auto baked = DeformFrames(d, d.File("baked.glb"), clip, true);
    ASSERT_EQ(static_cast<int>(mush.size()), summary["clips"][k]["frames"].get<int>());
    // The summary's figures, from these frames alone.
    const auto before = Fit(source, mush), after = Fit(baked, mush);
    EXPECT_NEAR(summary["clips"][k]["before"]["rms"].get<double>(), before.first, 1e-5 + 1e-4 * before.first);
    EXPECT_NEAR(summary["clips"][k]["before"]["max"].get<double>(), before.second, 1e-5 + 1e-4 * before.second);
    EXPECT_NEAR(summary["clips"][k]["after"]["rms"].get<double>(), after.first, 1e-5 + 1e-4 * after.first);
    EXPECT_NEAR(summary["clips"][k]["after"]["max"].get<double>(), after.second, 1e-5 + 1e-4 * after.second);
    const int n = static_cast<int>(mush.size());
    for (int f : {0, n / 3, n - 1})
      for (const auto& [view, frames] : {std::pair{"source", &source}, {"mush", &mush}, {"baked", &baked}}) {
        checks.push_back({{"clip", k}, {"frame", f}, {"view", view}, {"offset", bin.size() / 4},
                          {"count", (*frames)[f].size()}, {"expected", d.File("expected.bin")}});
        for (const Point3& p : (*frames)[f]) bin.append(reinterpret_cast<const char*>(&p.x), 12);
      }
  }
  d.Write("expected.bin", bin);
  const std::string shots = (std::filesystem::path(FW_REVIEW_SHOTS_DIR)).string();
  const Json manifest = {{"page", page}, {"shots", shots}, {"fpsMs", 1500}, {"checks", checks}};
  const std::string cmd = std::string(FW_NODE) + " " + FW_REVIEW_SCRIPT + " --manifest '" +
                          d.Write("manifest.json", manifest.dump()) + "' --playwright " + FW_PLAYWRIGHT_DIR + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string all;
  char buf[1 << 16];
  while (fgets(buf, sizeof buf, p)) all += buf;
  EXPECT_EQ(pclose(p), 0) << all;
  const Json r = Json::parse(all.substr(all.rfind('{', all.find("\"errors\""))), nullptr, false);
  ASSERT_FALSE(r.is_discarded()) << all;
  EXPECT_EQ(r["errors"], Json::array()) << "console errors";
  EXPECT_EQ(r["requests"], Json::array()) << "the page asked for something beyond itself";
  EXPECT_EQ(r["clipCount"], 2);
  EXPECT_EQ(r["unshadedMeshes"], 0) << "the test character has no normals: glTF draws it flat-shaded";
  ASSERT_EQ(r["checks"].size(), checks.size());
  std::map<std::string, double> largest;  // per view, over the checks: the worst difference over the diagonal
  for (const Json& c : r["checks"]) {
    const double worst = c["worst"].is_number() ? c["worst"].get<double>() : 1e300;
    const double diagonal = c["diagonal"].get<double>();
    largest[c["view"]] = std::max(largest[c["view"]], worst / diagonal);
    if (c["view"] == "mush")  // half a step of rounding, and float arithmetic
      EXPECT_LE(worst, 0.5 * c["step"].get<double>() + 1e-5 * diagonal) << c.dump();
    else
      EXPECT_LT(worst, 1e-5 * diagonal) << c.dump();
    EXPECT_GT(diagonal, 0) << c.dump();
  }
  EXPECT_EQ(r["clipAfterClick"], 1) << "a row of the table chooses its clip";
  EXPECT_EQ(r["frameAfterClick"], r["worstRow"]) << "and its worst frame";
  for (const Json& f : r["played"]) EXPECT_GT(f.get<int>(), 0) << "each clip plays";
  EXPECT_GT(r["fps"].get<double>(), 5.0);
  EXPECT_LT(r["trianglesCoarse"].get<int>(), r["trianglesWhole"].get<int>()) << "played coarser: fewer triangles";
  EXPECT_EQ(r["trianglesPaused"], r["trianglesWhole"]) << "paused after that, every triangle again";
  // Each view draws the whole character: Delta Mush among the parts the bake
  // did not score (the watch), as the two skins do.
  const Json& byView = r["trianglesByView"];
  EXPECT_EQ(byView["mush"], byView["baked"]) << byView.dump();
  EXPECT_EQ(byView["source"], byView["baked"]) << byView.dump();
  EXPECT_EQ(byView["side"].get<int>(), 3 * byView["baked"].get<int>()) << byView.dump();
  for (const char* view : {"side", "source", "mush", "baked", "worst"})
    EXPECT_GT(std::filesystem::file_size(shots + "/review_" + std::string(view) + ".png"), 10000u) << view;
  std::cout << "review page: " << std::filesystem::file_size(page) << " bytes, opened in " << r["loadMs"]
            << " ms, " << r["fps"] << " frames per second; largest difference over the diagonal: file's skin "
            << largest["source"] << ", Delta Mush " << largest["mush"] << ", baked skin " << largest["baked"] << "\n";

  // `review` of the same two files finds the bake's figures again.
  output.clear();
  ASSERT_EQ(RunFernwickIn(d.path.string(), "review arm.glb baked.glb -o again.html", output), 0) << output;
  const Json again = EmbeddedData(TempDir::Read(d.File("again.html")))["summary"];
  ASSERT_EQ(again["clips"].size(), 2u) << again.dump();
  for (int k = 0; k < 2; ++k)
    for (const char* when : {"before", "after"})
      for (const char* what : {"rms", "max"})
        EXPECT_NEAR(again["clips"][k][when][what].get<double>(), summary["clips"][k][when][what].get<double>(),
                    1e-6 + 1e-4 * summary["clips"][k][when][what].get<double>())
            << k << " " << when << " " << what;
  EXPECT_EQ(again["influences"]["largest"], summary["influences"]["largest"]);
  EXPECT_EQ(again["influences"]["format"], "float");
}

}  // namespace
