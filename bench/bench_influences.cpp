// Four influences per vertex, chosen three ways, scored per clip: the solve
// at the bone limit written as it is (up to eight), cut to each vertex's four
// largest and renormalised, and solved again on those four bones (the
// default). Characters: the shared samples and the generated hub, whose
// patch corners the solve gives five bones. One bake per benchmark; the
// table gives each clip's RMS distance to Delta Mush after the
// bake over before it per clip, and the RMS distance after over all the
// clips' frames (counter rms_after).
//
//   ./build/bench/bench_influences   (samples from $FERNWICK_SAMPLES, else
//   ../shared/samples beside the repository)
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/character_bench.h"
#include "cli/commands/bake_command.h"
#include "cli/files/atomic_file.h"
#include "cli/sample_characters/hub_character.h"

namespace {

const char* const kCharacters[] = {"Fox.glb", "RiggedSimple.gltf", "Mannequiny.glb", "RobotExpressive.glb", "hub"};
const char* const kWays[] = {"as solved, up to 8", "cut to 4", "solved again at 4 (default)"};

std::string PathOf(const std::string& name, const std::filesystem::path& dir) {
  if (name != "hub") {
    return SamplePath(name);
  }
  const std::string path = (dir / "hub.glb").string();
  std::string error;
  if (!std::filesystem::exists(path)) WriteFileAtomically(path, MakeHubCharacterGlb(), error);
  return path;
}

// Per clip, in report order: '  "Walk" (trained on, 22 frames): RMS a -> b (ratio r), ...';
// the last entry, "all clips", is the RMS after over every clip's frames.
std::vector<std::pair<std::string, double>> ClipRatios(const std::string& text) {
  std::vector<std::pair<std::string, double>> out;
  std::istringstream in(text);
  std::string line;
  double squares = 0;
  long count = 0;
  while (std::getline(in, line)) {
    const size_t close = line.find("\" ("), at = line.find("(ratio "), rms = line.find("RMS ");
    if (line.rfind("  \"", 0) != 0 || close == std::string::npos || at == std::string::npos) continue;
    out.push_back({line.substr(3, close - 3), std::stod(line.substr(at + 7))});
    int frames = 0;
    double before = 0, after = 0;
    std::sscanf(line.c_str() + line.find(", ", close) + 2, "%d", &frames);
    std::sscanf(line.c_str() + rms, "RMS %lf -> %lf", &before, &after);
    squares += frames * after * after;
    count += frames;
  }
  if (count > 0) out.push_back({"all clips: RMS after", std::sqrt(squares / count)});
  return out;
}

std::map<std::pair<int, int>, std::vector<std::pair<std::string, double>>>& Table() {
  static std::map<std::pair<int, int>, std::vector<std::pair<std::string, double>>> t;
  return t;
}

void BM_Influences(benchmark::State& state) {
  const int character = static_cast<int>(state.range(0)), way = static_cast<int>(state.range(1));
  const std::filesystem::path dir = ScratchFolder("fernwick-bench-influences");
  const std::string file = PathOf(kCharacters[character], dir);
  if (!std::filesystem::exists(file)) {
    state.SkipWithError(("no " + file + "; set FERNWICK_SAMPLES").c_str());
    return;
  }
  std::vector<std::pair<std::string, double>> ratios;
  for (auto _ : state) {
    CharacterOptions o;
    o.inPath = file;
    o.outPath = (dir / "baked.glb").string();
    o.quiet = true;
    o.boneLimitAuto = true;
    o.maxInfluences = way == 0 ? 8 : 4;
    o.cutInfluences = way == 1;
    std::ostringstream out, err;
    if (RunBake(o, out, err) != 0) {
      state.SkipWithError(err.str().c_str());
      return;
    }
    ratios = ClipRatios(out.str());
  }
  state.counters["rms_after"] = ratios.empty() ? -1 : ratios.back().second;
  state.SetLabel(std::string(kCharacters[character]) + ", " + kWays[way]);
  Table()[{character, way}] = ratios;
}

BENCHMARK(BM_Influences)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1, 2}})->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  RunCharacterBenchmarks(argc, argv, "fernwick-bench-influences");
  std::cout << "\n| character | clip | " << kWays[0] << " | " << kWays[1] << " | " << kWays[2]
            << " |\n|---|---|---|---|---|\n";
  for (int c = 0; c < static_cast<int>(std::size(kCharacters)); ++c) {
    const auto& base = Table()[{c, 2}];
    for (size_t k = 0; k < base.size(); ++k) {
      std::cout << "| " << kCharacters[c] << " | " << base[k].first;
      for (int way = 0; way < 3; ++way) {
        const auto& r = Table()[{c, way}];
        std::cout << " | ";
        if (k < r.size()) std::cout << std::fixed << std::setprecision(5) << r[k].second;
      }
      std::cout << " |\n";
    }
  }
  return 0;
}
