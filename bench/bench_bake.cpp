// A whole bake at the default settings, as `fernwick bake FILE -o OUT` runs
// it, one row per character: every shared sample, and the generated arm at
// about 10,000 and 50,000 vertices. Counters: vertices, meshes, training
// frames, bone limit, and seconds per stage (import, sampling, distances,
// search, influences, export, other); the real time is the whole bake.
//
//   ./build/bench/bench_bake   (reads the samples from $FERNWICK_SAMPLES,
//   else ../shared/samples beside the repository)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/character_bench.h"
#include "cli/commands/bake_command.h"
#include "cli/files/atomic_file.h"
#include "cli/sample_characters/arm_character.h"

namespace {

struct Character {
  std::string name;
  std::string sample;   // a shared sample's file name, or empty
  ArmCharacterShape arm;  // otherwise this generated arm
};

std::vector<Character> Characters() {
  std::vector<Character> list;
  for (const char* sample : {"Fox.glb", "RiggedSimple.gltf", "Mannequiny.glb", "RobotExpressive.glb"})
    list.push_back({sample, sample, {}});
  ArmCharacterShape ten;  // 18 x 24 x 24 = 10,368 vertices
  ten.ringsPerBone = 24;
  ten.segments = 24;
  ten.clips = 3;
  list.push_back({"arm, 10k vertices", "", ten});
  ArmCharacterShape fifty = ten;  // 18 x 48 x 58 = 50,112 vertices
  fifty.ringsPerBone = 48;
  fifty.segments = 58;
  list.push_back({"arm, 50k vertices", "", fifty});
  return list;
}

std::string PathOf(const Character& c, const std::filesystem::path& dir) {
  if (!c.sample.empty()) {
    return SamplePath(c.sample);
  }
  const std::string path = (dir / ("arm" + std::to_string(ArmCharacterVertexCount(c.arm)) + ".glb")).string();
  std::string error;
  if (!std::filesystem::exists(path)) WriteFileAtomically(path, MakeArmCharacterGlb(c.arm), error);
  return path;
}

struct Row {
  std::string name;
  BakeStats stats;
};
std::vector<Row>& Rows() {
  static std::vector<Row> rows;
  return rows;
}

void BM_Bake(benchmark::State& state) {
  const Character c = Characters()[state.range(0)];
  const std::filesystem::path dir = ScratchFolder("fernwick-bench-bake");
  const std::string file = PathOf(c, dir);
  if (!std::filesystem::exists(file)) {
    state.SkipWithError(("no " + file + "; set FERNWICK_SAMPLES").c_str());
    return;
  }
  BakeStats stats;
  for (auto _ : state) {
    CharacterOptions o;
    o.inPath = file;
    o.outPath = (dir / "baked.glb").string();
    o.boneLimitAuto = true;
    o.quiet = true;
    std::ostringstream out, err;
    if (RunBake(o, out, err, &stats) != 0) {
      state.SkipWithError(err.str().c_str());
      return;
    }
  }
  state.SetLabel(c.name);
  state.counters["vertices"] = stats.vertices;
  state.counters["meshes"] = stats.meshes;
  state.counters["frames"] = stats.trainingFrames;
  state.counters["bone_limit"] = stats.boneLimit;
  for (const auto& [stage, seconds] : stats.seconds) state.counters[stage + "_s"] = seconds;
  Rows().push_back({c.name, stats});
}

BENCHMARK(BM_Bake)->DenseRange(0, 5)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  RunCharacterBenchmarks(argc, argv, "fernwick-bench-bake");
  std::cout << "\n| character | vertices | meshes | training frames | bone limit | import | sampling | distances | "
               "search | influences | export | other | total (s) |\n|---|---|---|---|---|---|---|---|---|---|---|---|---|\n";
  for (const Row& r : Rows()) {
    std::cout << "| " << r.name << " | " << r.stats.vertices << " | " << r.stats.meshes << " | "
              << r.stats.trainingFrames << " | " << r.stats.boneLimit;
    for (const char* stage : {"import", "sampling", "distances", "search", "influences", "export", "other", "total"}) {
      const auto it = r.stats.seconds.find(stage);
      std::cout << " | " << std::fixed << std::setprecision(2) << (it == r.stats.seconds.end() ? 0.0 : it->second);
    }
    std::cout << " |\n";
  }
  return 0;
}
