// Which training set carries over to motion the solve never saw: a
// character's three clips, each held out in turn, scored after bakes trained
// on the other two, on the proxy poses alone, or on both, with and without a
// wider range of motion. Characters: Fox (shared sample) and the generated tail.
// One bake per benchmark; the counter held_out_ratio is the held-out clip's
// RMS distance to the Delta Mush result after the bake over before it.
//
//   ./build/bench/bench_training_sets            (reads Fox.glb from
//   $FERNWICK_SAMPLES, else ../shared/samples beside the repository)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli/commands/bake_command.h"
#include "cli/files/atomic_file.h"
#include "cli/sample_characters/demo_character.h"

namespace {

struct Character {
  const char* name;
  const char* clips[3];
};
// Fox (the shared sample) and the generated tail with its three clips.
const Character kCharacters[2] = {{"Fox", {"Survey", "Walk", "Run"}}, {"tail", {"wave", "sway", "curl"}}};

struct Variant {
  const char* name;
  bool clips;        // train on the two clips not held out
  bool proxyPoses;
  RangeOfMotion rom;
};

const std::vector<Variant>& Variants() {
  static const std::vector<Variant> v = {
      {"proxy poses only", false, true, {0.0f}},
      {"clips only", true, false, {0.0f}},
      {"clips + proxy poses", true, true, {0.0f}},
      {"proxy + 30 deg xyz", false, true, {30.0f, true, 1}},
      {"proxy + 30 deg zy, with parents", false, true, {30.0f, false, 2}},
      {"proxy + 60 deg xyz, chains of 3", false, true, {60.0f, true, 3}},
      {"proxy + 90 deg xyz, chains of 3", false, true, {90.0f, true, 3}},
      {"clips + proxy + 30 deg xyz", true, true, {30.0f, true, 1}},
      {"clips + proxy + 30 deg xyz, with parents", true, true, {30.0f, true, 2}},
      {"clips + proxy + 60 deg xyz, with parents", true, true, {60.0f, true, 2}},
      {"clips + proxy + 90 deg xyz, with parents", true, true, {90.0f, true, 2}},
      {"clips + proxy + 60 deg xyz, chains of 3", true, true, {60.0f, true, 3}},
      {"clips + proxy + 90 deg xyz, chains of 3 (default)", true, true, {90.0f, true, 3}},
      {"clips + proxy + 120 deg xyz, chains of 3", true, true, {120.0f, true, 3}},
  };
  return v;
}

// The character's file: Fox from the shared samples, the tail written once.
std::string CharacterPath(int character, const std::filesystem::path& dir) {
  if (character == 0) {
    const char* env = std::getenv("FERNWICK_SAMPLES");
    return (std::filesystem::path(env && *env ? env : FW_DEFAULT_SAMPLES_DIR) / "Fox.glb").string();
  }
  const std::string path = (dir / "tail.glb").string();
  if (!std::filesystem::exists(path)) {
    DemoCharacterShape shape;
    shape.rings = 60;
    shape.segments = 16;
    shape.clips = 3;
    std::string error;
    WriteFileAtomically(path, MakeDemoCharacterGlb(shape), error);
  }
  return path;
}

// [character][variant][held-out clip] -> ratio
std::map<std::tuple<int, int, int>, double>& Table() {
  static std::map<std::tuple<int, int, int>, double> t;
  return t;
}

// The ratio printed for a clip: '  "Walk" (held out, ...): RMS a -> b (ratio r), ...'
double RatioOf(const std::string& text, const std::string& clip) {
  const size_t line = text.find("  \"" + clip + "\" (");
  if (line == std::string::npos) return -1;
  const size_t at = text.find("(ratio ", line);
  return at == std::string::npos ? -1 : std::stod(text.substr(at + 7));
}

void BM_HeldOut(benchmark::State& state) {
  const int character = static_cast<int>(state.range(0)), variant = static_cast<int>(state.range(1)),
            held = static_cast<int>(state.range(2));
  const Character& ch = kCharacters[character];
  const Variant& v = Variants()[variant];
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "fernwick-bench-training";
  std::filesystem::create_directories(dir);
  const std::string file = CharacterPath(character, dir);
  if (!std::filesystem::exists(file)) {
    state.SkipWithError(("no " + file + "; set FERNWICK_SAMPLES").c_str());
    return;
  }
  double ratio = -1;
  for (auto _ : state) {
    CharacterOptions o;
    o.inPath = file;
    o.outPath = (dir / "baked.glb").string();
    o.quiet = true;
    o.boneLimitAuto = true;
    o.proxyPoses = v.proxyPoses ? "on" : "off";
    o.rangeOfMotion = v.rom;
    o.animations = {"none"};
    if (v.clips)
      for (int c = 0; c < 3; ++c)
        if (c != held) o.animations.push_back(ch.clips[c]);
    o.evaluate = {ch.clips[held]};
    std::ostringstream out, err;
    if (RunBake(o, out, err) != 0) {
      state.SkipWithError(err.str().c_str());
      return;
    }
    ratio = RatioOf(out.str(), ch.clips[held]);
  }
  state.counters["held_out_ratio"] = ratio;
  state.SetLabel(std::string(ch.name) + ", " + v.name + ", " + ch.clips[held] + " held out");
  Table()[{character, variant, held}] = ratio;
}

void Args(benchmark::internal::Benchmark* b) {
  for (int c = 0; c < 2; ++c)
    for (int v = 0; v < static_cast<int>(Variants().size()); ++v)
      for (int h = 0; h < 3; ++h) b->Args({c, v, h});
}

BENCHMARK(BM_HeldOut)->Apply(Args)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // The same figures as tables: held-out RMS after / before, and the mean.
  for (int c = 0; c < 2; ++c) {
    const Character& ch = kCharacters[c];
    std::cout << "\n" << ch.name << "\n| training set | " << ch.clips[0] << " held out | " << ch.clips[1]
              << " held out | " << ch.clips[2] << " held out | mean |\n|---|---|---|---|---|\n";
    for (int v = 0; v < static_cast<int>(Variants().size()); ++v) {
      std::cout << "| " << Variants()[v].name;
      double sum = 0;
      int n = 0;
      for (int h = 0; h < 3; ++h) {
        const auto it = Table().find({c, v, h});
        std::cout << " | ";
        if (it != Table().end() && it->second >= 0) {
          std::cout << std::fixed << std::setprecision(3) << it->second;
          sum += it->second, ++n;
        }
      }
      std::cout << " | ";
      if (n == 3) std::cout << sum / 3;
      std::cout << " |\n";
    }
  }
  return 0;
}
