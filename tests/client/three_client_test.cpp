// The files bake writes, played by a real client: three.js's GLTFLoader in
// Chromium gives the skinned position of every vertex at frames of every
// clip, and they must be where the program's own linear skinning of the
// written weights puts them. Engines read one set of four influences: a file
// written with eight shows how far three.js then strays.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "cli/files/obj_file.h"
#include "cli/gltf/gltf_character.h"
#include "cli/sample_characters/arm_character.h"
#include "tests/support/run_program.h"
#include "tests/support/sample_files.h"
#include "tests/support/sanitizers.h"
#include "tests/support/temp_dir.h"

namespace {

using Json = nlohmann::json;

struct Played {
  double worst = -1, diagonal = 0;
  long checked = 0, missing = 0;
  std::string errors;
};

// Frames 0, a third, two thirds and the last of each clip.
std::vector<int> FramesOf(int count) {
  std::vector<int> f;
  for (int frame : {0, count / 3, 2 * count / 3, count - 1})
    if (f.empty() || f.back() != frame) f.push_back(frame);
  return f;
}

// The manifest entry of one written file: the program's linear skinning of it
// at the listed frames, per file vertex of each primitive, as three.js lists them.
Json Expect(const TempDir& d, const std::string& glb, int index) {
  GltfCharacter c;
  std::string error;
  EXPECT_TRUE(ReadGltfCharacter(glb, {}, c, error)) << error;
  Json entry = {{"glb", glb}, {"clips", Json::array()}, {"parts", Json::array()}};
  for (const GltfSkinnedMesh& m : c.meshes)
    for (const GltfPrimitive& p : m.primitives)
      entry["parts"].push_back({{"mesh", m.meshIndex}, {"primitive", p.index}, {"count", p.fileToWelded.size()}});
  std::string bin;
  // Every clip of a file with three or fewer; the first, a middle and the last of more.
  const int n = static_cast<int>(c.animations.size());
  std::vector<int> clips;
  for (int a = 0; a < n; ++a)
    if (n <= 3 || a == 0 || a == n / 2 || a == n - 1) clips.push_back(a);
  for (int clip : clips) {
    const GltfAnimation& a = c.animations[clip];
    const std::string dir = d.File("linear_" + std::to_string(index) + "_" + std::to_string(clip));
    std::filesystem::create_directories(dir);
    std::string output;
    EXPECT_EQ(RunFernwickIn(d.path.string(),
                            "deform --gltf '" + glb + "' -o '" + dir + "' --linear --animation " + std::to_string(clip),
                            output),
              0)
        << output;
    const std::vector<int> frames = FramesOf(a.frameCount);
    entry["clips"].push_back({{"index", clip}, {"fps", a.fps}, {"frames", frames}});
    for (int f : frames) {
      char name[32];
      std::snprintf(name, sizeof name, "/frame_%04d.obj", f + 1);
      ObjModel obj;
      EXPECT_TRUE(ReadObjFile(dir + name, obj, error)) << error;
      size_t base = 0;
      for (const GltfSkinnedMesh& m : c.meshes) {
        for (const GltfPrimitive& p : m.primitives)
          for (int w : p.fileToWelded) {
            const Point3 q = obj.positions.at(base + w);
            bin.append(reinterpret_cast<const char*>(&q.x), 12);
          }
        base += m.positions.size();
      }
    }
  }
  entry["expected"] = d.Write("expected_" + std::to_string(index) + ".bin", bin);
  return entry;
}

// Plays each file in three.js; results by file name.
std::map<std::string, Played> PlayInThree(const TempDir& d, const std::vector<std::string>& files) {
  Json manifest = {{"files", Json::array()}};
  for (size_t i = 0; i < files.size(); ++i) manifest["files"].push_back(Expect(d, files[i], static_cast<int>(i)));
  const std::string path = d.Write("manifest.json", manifest.dump());
  const std::string cmd = std::string(FW_NODE) + " " + FW_CLIENT_SCRIPT + " --manifest '" + path + "' --three " +
                          FW_THREE_DIR + " --playwright " + FW_PLAYWRIGHT_DIR + " 2>&1";
  std::map<std::string, Played> played;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return played;
  char buf[1 << 16];
  std::string all;
  while (fgets(buf, sizeof buf, p)) all += buf;
  EXPECT_EQ(pclose(p), 0) << all;
  std::istringstream lines(all);
  std::string line;
  while (std::getline(lines, line)) {
    const Json j = Json::parse(line, nullptr, false);
    if (j.is_discarded() || !j.contains("glb")) {
      ADD_FAILURE() << line;
      continue;
    }
    Played& r = played[j["glb"].get<std::string>()];
    r.worst = j["worst"].is_number() ? j["worst"].get<double>() : 1e300;
    r.diagonal = j["diagonal"].get<double>();
    r.checked = j["checked"].get<long>();
    r.missing = j["missing"].get<long>();
    r.errors = j["errors"].dump();
  }
  return played;
}

// Influences per vertex and the weight sets of each written primitive.
void ExpectOneSetOfAtMost(const std::string& glb, int influences) {
  GltfCharacter c;
  std::string error;
  ASSERT_TRUE(ReadGltfCharacter(glb, {}, c, error)) << error;
  for (const GltfSkinnedMesh& m : c.meshes)
    for (const auto& w : m.weights) EXPECT_LE(static_cast<int>(w.size()), influences) << glb;
}

TEST(ThreeClient, PlaysEveryBakedFileAsTheProgramSkinsIt) {
  if (FW_SANITIZED) GTEST_SKIP() << "a check of the written files in the browser, run by the ordinary build";
  TempDir d;
  std::vector<std::pair<std::string, std::string>> bakes;  // file, extra bake arguments
  ArmCharacterShape twin;
  twin.units = 0.01f;
  twin.zUp = true;
  twin.skinnedMeshes = 2;
  twin.secondSkin = true;
  twin.hangingPart = true;
  d.Write("arm.glb", MakeArmCharacterGlb(twin));
  bakes.push_back({d.File("arm.glb"), ""});
  bakes.push_back({d.File("arm.glb"), "--weight-format unorm8"});
  for (const char* sample : {"Fox.glb", "RiggedSimple.gltf", "Mannequiny.glb", "RobotExpressive.glb"}) {
    const std::string path = (std::filesystem::path(SamplesDir()) / sample).string();
    if (std::filesystem::exists(path)) bakes.push_back({path, sample == std::string("Fox.glb") ? "--weight-format unorm16" : ""});
    else if (SamplesRequired()) ADD_FAILURE() << "sample " << path << " is missing (FERNWICK_REQUIRE_SAMPLES=1)";
  }
  std::vector<std::string> written;
  for (size_t i = 0; i < bakes.size(); ++i) {
    const std::string out = d.File("baked" + std::to_string(i) + ".glb");
    std::string output;
    ASSERT_EQ(RunFernwickIn(d.path.string(), "bake '" + bakes[i].first + "' -o '" + out + "' " + bakes[i].second, output), 0)
        << output;
    ExpectOneSetOfAtMost(out, 4);
    written.push_back(out);
  }
  // Eight influences, as the bake wrote before: three.js reads four of them.
  // Fox's solve gives some vertices six or seven bones.
  const std::string fox = (std::filesystem::path(SamplesDir()) / "Fox.glb").string(), eight = d.File("eight.glb");
  if (std::filesystem::exists(fox)) {
    std::string output;
    ASSERT_EQ(RunFernwickIn(d.path.string(), "bake '" + fox + "' -o eight.glb --max-influences 8", output), 0) << output;
    written.push_back(eight);
  }

  const auto played = PlayInThree(d, written);
  for (const std::string& file : written) {
    const std::string name = std::filesystem::path(file).filename().string();
    ASSERT_EQ(played.count(name), 1u) << name;
    const Played& r = played.at(name);
    EXPECT_EQ(r.missing, 0) << name;
    EXPECT_GT(r.checked, 0) << name;
    EXPECT_EQ(r.errors, "[]") << name;
    const double relative = r.worst / r.diagonal;
    std::cout << name << ": three.js against the program, largest difference " << r.worst << " ("
              << relative << " of the diagonal " << r.diagonal << ")\n";
    if (file == eight)
      EXPECT_GT(relative, 1e-3) << "three.js reads only JOINTS_0/WEIGHTS_0";
    else
      EXPECT_LT(relative, 1e-5) << name;
  }
}

}  // namespace
