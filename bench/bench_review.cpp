// Review pages: their size, how long the program takes to write them, and how
// they open and play in headless Chromium (the page's own timers: load time
// from navigation to the first frame drawn, frames drawn per second while
// playing in the side-by-side view), one row per character: every shared
// sample reviewed against itself, and the generated arm at 20,000 vertices
// with 500 frames over its three clips (the page's size budget). The page
// steps down to half resolution, then to coarser meshes, while it cannot keep
// 30 frames a second.
//
//   ./build/bench/bench_review   (samples from $FERNWICK_SAMPLES, else
//   ../shared/samples beside the repository)
#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "bench/character_bench.h"
#include "cli/commands/review_command.h"
#include "cli/files/atomic_file.h"
#include "cli/sample_characters/arm_character.h"

namespace {

namespace fs = std::filesystem;

struct Character {
  std::string name, sample;
  ArmCharacterShape arm;
  float fps = 30.0f;
};

std::vector<Character> Characters() {
  std::vector<Character> list;
  for (const char* sample : {"Fox.glb", "RiggedSimple.gltf", "Mannequiny.glb", "RobotExpressive.glb"})
    list.push_back({sample, sample, {}, 30.0f});
  ArmCharacterShape budget;  // 18 x 30 x 37 = 19,980 vertices
  budget.ringsPerBone = 30;
  budget.segments = 37;
  budget.clips = 3;
  // Three one-second clips at 166 frames per second: 501 frames.
  list.push_back({"arm, 20k vertices, 500 frames", "", budget, 166.0f});
  return list;
}

struct Row {
  std::string name;
  long vertices = 0, bytes = 0;
  double writeSeconds = 0, loadMs = 0, fps = 0;
  std::string quality;  // how the page drew at the end, stepped down to keep up
  std::string kept;
};
std::vector<Row>& Rows() {
  static std::vector<Row> rows;
  return rows;
}

// Opens the page in Chromium through the review page test's driver.
nlohmann::json OpenInChromium(const fs::path& dir, const std::string& page) {
  const nlohmann::json manifest = {{"page", page}, {"shots", (dir / "shots").string()}, {"fpsMs", 5000},
                                   {"checks", nlohmann::json::array()}};
  std::string error;
  WriteFileAtomically((dir / "manifest.json").string(), manifest.dump(), error);
  const std::string cmd = std::string(FW_NODE) + " " + FW_REVIEW_SCRIPT + " --manifest '" +
                          (dir / "manifest.json").string() + "' --playwright " + FW_PLAYWRIGHT_DIR + " 2>&1";
  std::string all;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[1 << 16];
    while (fgets(buf, sizeof buf, p)) all += buf;
    pclose(p);
  }
  const size_t at = all.rfind("{\"errors\"");
  return at == std::string::npos ? nlohmann::json() : nlohmann::json::parse(all.substr(at), nullptr, false);
}

void BM_Review(benchmark::State& state) {
  const Character c = Characters()[state.range(0)];
  const fs::path dir = ScratchFolder("fernwick-bench-review");
  std::string file;
  if (!c.sample.empty()) {
    file = SamplePath(c.sample);
  } else {
    file = (dir / "arm.glb").string();
    std::string error;
    WriteFileAtomically(file, MakeArmCharacterGlb(c.arm), error);
  }
  if (!fs::exists(file)) {
    state.SkipWithError(("no " + file + "; set FERNWICK_SAMPLES").c_str());
    return;
  }
  const std::string page = (dir / "review.html").string();
  Row row;
  row.name = c.name;
  for (auto _ : state) {
    CharacterOptions o;
    o.inPath = file;
    o.outPath = page;
    o.fps = c.fps;
    std::ostringstream out, err;
    const auto t0 = std::chrono::steady_clock::now();
    if (RunReview(o, file, out, err) != 0) {
      state.SkipWithError(err.str().c_str());
      return;
    }
    row.writeSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  row.bytes = static_cast<long>(fs::file_size(page));
  std::string html, error;
  ReadWholeFile(page, html, error);
  const size_t from = html.find("id=\"fw-data\">");
  const nlohmann::json data = nlohmann::json::parse(html.substr(from + 13, html.find("</script>", from) - from - 13),
                                                    nullptr, false);
  if (!data.is_discarded()) {
    for (const auto& m : data["review"]["meshes"]) row.vertices += m["vertices"].get<long>();
    row.kept = std::to_string(data["review"]["keptFrames"].get<long>()) + " of " +
               std::to_string(data["review"]["clipFrames"].get<long>());
  }
  const nlohmann::json opened = OpenInChromium(dir, page);
  if (opened.is_object() && opened["loadMs"].is_number()) {
    row.loadMs = opened["loadMs"].get<double>();
    row.fps = opened["fps"].get<double>();
    row.quality = opened.value("quality", "");
    if (!opened["errors"].empty() || !opened["requests"].empty())
      state.SkipWithError(("the page logged errors or made requests: " + opened.dump()).c_str());
  } else {
    state.SkipWithError(("the page did not open: " + opened.dump()).c_str());
  }
  state.SetLabel(c.name);
  state.counters["vertices"] = static_cast<double>(row.vertices);
  state.counters["MB"] = row.bytes / 1e6;
  state.counters["open_ms"] = row.loadMs;
  state.counters["fps"] = row.fps;
  Rows().push_back(row);
  fs::remove_all(dir);
}

BENCHMARK(BM_Review)->DenseRange(0, 4)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  RunCharacterBenchmarks(argc, argv, "fernwick-bench-review");
  std::cout << "\n| character | vertices | Delta Mush frames kept | page (MB) | written in (s) | opens in (ms) | "
               "plays at (fps) |\n|---|---|---|---|---|---|---|\n";
  for (const Row& r : Rows())
    std::cout << "| " << r.name << " | " << r.vertices << " | " << r.kept << " | " << std::fixed << std::setprecision(1)
              << r.bytes / 1e6 << " | " << r.writeSeconds << " | " << std::setprecision(0) << r.loadMs << " | "
              << r.fps << (r.quality.empty() || r.quality == "full" ? "" : " (" + r.quality + ")") << " |\n";
  return 0;
}
