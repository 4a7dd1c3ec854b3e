// Which training set carries over to motion the solve never saw, and keeps
// the motion it did see: each of three clips of a character held out in turn,
// the bake trained on the character's other clips (or on none), with the
// proxy poses and a range of motion or without; at the plug-in's Delta Mush
// defaults and at a smoother one (10 iterations, strength 0.5). Characters:
// Fox, Mannequiny and RobotExpressive (shared samples) and the generated arm.
// One bake per benchmark; counters: held_out_ratio (the held-out clip's RMS
// distance to Delta Mush after the bake over before it), trained_ratio (the
// mean of that over the clips trained on), frames (the training range).
//
//   ./build/bench/bench_training_sets [--benchmark_filter=...]   (reads the
//   samples from $FERNWICK_SAMPLES, else ../shared/samples beside the repository)
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

#include "bench/character_bench.h"
#include "cli/commands/bake_command.h"
#include "cli/files/atomic_file.h"
#include "cli/sample_characters/arm_character.h"

namespace {

struct Character {
  const char* name;
  const char* file;  // a shared sample, or empty for the generated arm
  const char* held[3];
};
const Character kCharacters[] = {
    {"Fox", "Fox.glb", {"Survey", "Walk", "Run"}},
    {"arm", "", {"wave", "grip", "twist"}},
    {"Mannequiny", "Mannequiny.glb", {"idle", "run", "fight_punch"}},
    {"RobotExpressive", "RobotExpressive.glb", {"Wave", "Dance", "Punch"}},
};
constexpr int kCharacterCount = static_cast<int>(std::size(kCharacters));

struct Variant {
  const char* name;
  bool clips;  // train on the clips not held out
  bool proxyPoses;
  RangeOfMotion rom;
};

const std::vector<Variant>& Variants() {
  static const std::vector<Variant> v = {
      {"proxy poses only", false, true, {0.0f}},
      {"clips only", true, false, {0.0f}},
      {"clips + proxy poses", true, true, {0.0f}},
      {"clips + proxy + 30 deg xyz", true, true, {30.0f, true, 1}},
      {"clips + proxy + 45 deg xyz, chains of 3", true, true, {45.0f, true, 3}},
      {"clips + proxy + 90 deg zy, with parents", true, true, {90.0f, false, 2}},
      {"clips + proxy + 90 deg xyz", true, true, {90.0f, true, 1}},
      {"clips + proxy + 90 deg xyz, chains of 3 (the former default)", true, true, {90.0f, true, 3}},
      {"clips + proxy + 90 deg zy, chains of 3 (default)", true, true, {90.0f, false, 3}},
      {"clips + proxy + 120 deg zy, with parents", true, true, {120.0f, false, 2}},
      {"clips + proxy + 60 deg zy, with parents", true, true, {60.0f, false, 2}},
  };
  return v;
}

struct Smoothing {
  const char* name;
  DeltaMushParams params;
};
const Smoothing kSmoothings[2] = {{"iter 1, strength 1", {}}, {"iter 10, strength 0.5", {0.5f, 10}}};

std::string CharacterPath(int character, const std::filesystem::path& dir) {
  const Character& ch = kCharacters[character];
  if (*ch.file) {
    return SamplePath(ch.file);
  }
  const std::string path = (dir / "arm.glb").string();
  if (!std::filesystem::exists(path)) {
    ArmCharacterShape shape;
    shape.clips = 3;
    std::string error;
    WriteFileAtomically(path, MakeArmCharacterGlb(shape), error);
  }
  return path;
}

struct Score {
  double heldOut = -1, trained = -1;
  int frames = 0;
};
// [character][smoothing][variant][held-out clip]
std::map<std::tuple<int, int, int, int>, Score>& Table() {
  static std::map<std::tuple<int, int, int, int>, Score> t;
  return t;
}

// The ratios printed per clip: '  "Walk" (held out, ...): RMS a -> b (ratio r), ...'
std::map<std::string, std::pair<bool, double>> Ratios(const std::string& text) {
  std::map<std::string, std::pair<bool, double>> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("  \"", 0) != 0) continue;
    const size_t close = line.find("\" ("), at = line.find("(ratio ");
    if (close == std::string::npos || at == std::string::npos) continue;
    out[line.substr(3, close - 3)] = {line.find("held out") != std::string::npos, std::stod(line.substr(at + 7))};
  }
  return out;
}

int TrainingFrames(const std::string& text) {
  const size_t at = text.find("Training on frames ");
  if (at == std::string::npos) return 0;
  int a = 0, b = 0;
  std::sscanf(text.c_str() + at, "Training on frames %d to %d", &a, &b);
  return b - a + 1;
}

void BM_HeldOut(benchmark::State& state) {
  const int character = static_cast<int>(state.range(0)), smoothing = static_cast<int>(state.range(1)),
            variant = static_cast<int>(state.range(2)), held = static_cast<int>(state.range(3));
  const Character& ch = kCharacters[character];
  const Variant& v = Variants()[variant];
  const std::filesystem::path dir = ScratchFolder("fernwick-bench-training");
  const std::string file = CharacterPath(character, dir);
  if (!std::filesystem::exists(file)) {
    state.SkipWithError(("no " + file + "; set FERNWICK_SAMPLES").c_str());
    return;
  }
  Score score;
  for (auto _ : state) {
    CharacterOptions o;
    o.inPath = file;
    o.outPath = (dir / "baked.glb").string();
    o.quiet = true;
    o.boneLimitAuto = true;
    o.params = kSmoothings[smoothing].params;
    o.proxyPoses = v.proxyPoses ? "on" : "off";
    o.rangeOfMotion = v.rom;
    o.animations = {v.clips ? "all" : "none"};
    o.evaluate = {"all"};
    // All clips but the held-out one: named one by one.
    if (v.clips) {
      GltfCharacter c;
      std::string error;
      ReadCharacterFile(o, c, error);
      o.animations.clear();
      for (const GltfAnimation& a : c.animations)
        if (a.name != ch.held[held]) o.animations.push_back(a.name);
    }
    std::ostringstream out, err;
    if (RunBake(o, out, err) != 0) {
      state.SkipWithError(err.str().c_str());
      return;
    }
    double sum = 0;
    int n = 0;
    for (const auto& [clip, r] : Ratios(out.str())) {
      if (clip == ch.held[held]) score.heldOut = r.second;
      else if (!r.first) sum += r.second, ++n;
    }
    score.trained = n ? sum / n : -1;
    score.frames = TrainingFrames(out.str());
  }
  state.counters["held_out_ratio"] = score.heldOut;
  state.counters["trained_ratio"] = score.trained;
  state.counters["frames"] = score.frames;
  state.SetLabel(std::string(ch.name) + ", " + kSmoothings[smoothing].name + ", " + v.name + ", " + ch.held[held] +
                 " held out");
  Table()[{character, smoothing, variant, held}] = score;
}

void Args(benchmark::internal::Benchmark* b) {
  for (int c = 0; c < kCharacterCount; ++c)
    for (int s = 0; s < 2; ++s)
      for (int v = 0; v < static_cast<int>(Variants().size()); ++v)
        for (int h = 0; h < 3; ++h) b->Args({c, s, v, h});
}

BENCHMARK(BM_HeldOut)->Apply(Args)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  RunCharacterBenchmarks(argc, argv, "fernwick-bench-training");
  // The same figures as tables: each held-out clip's RMS after / before, the
  // mean of them, the mean over the clips trained on, and the training frames.
  for (int c = 0; c < kCharacterCount; ++c)
    for (int s = 0; s < 2; ++s) {
      const Character& ch = kCharacters[c];
      bool any = false;
      for (const auto& [key, score] : Table()) any = any || (std::get<0>(key) == c && std::get<1>(key) == s);
      if (!any) continue;
      std::cout << "\n" << ch.name << ", " << kSmoothings[s].name << "\n| training set | " << ch.held[0]
                << " held out | " << ch.held[1] << " held out | " << ch.held[2]
                << " held out | held-out mean | trained mean | frames |\n|---|---|---|---|---|---|---|\n";
      for (int v = 0; v < static_cast<int>(Variants().size()); ++v) {
        std::cout << "| " << Variants()[v].name;
        double held = 0, trained = 0;
        int n = 0, nt = 0, frames = 0;
        for (int h = 0; h < 3; ++h) {
          const auto it = Table().find({c, s, v, h});
          std::cout << " | ";
          if (it == Table().end()) continue;
          if (it->second.heldOut >= 0) {
            std::cout << std::fixed << std::setprecision(3) << it->second.heldOut;
            held += it->second.heldOut, ++n;
          }
          if (it->second.trained >= 0) trained += it->second.trained, ++nt;
          frames = std::max(frames, it->second.frames);
        }
        std::cout << " | " << (n == 3 ? std::to_string(held / 3).substr(0, 5) : "") << " | "
                  << (nt ? std::to_string(trained / nt).substr(0, 5) : "-") << " | " << frames << " |\n";
      }
    }
  return 0;
}
