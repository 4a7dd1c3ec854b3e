// Weight search throughput at the default settings: five candidates, twelve
// iterations, frames 0 to 100.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "sdk/matrix3.h"
#include "solver/weight_search.h"
#include "solver/weight_search_reference.h"

namespace {

constexpr int kBones = 12;
constexpr int kCandidates = 5;
constexpr int kFrames = 101;
constexpr int kIterations = 12;

Matrix3 RandomTM(std::mt19937& rng, float angle, float reach) {
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  Matrix3 tm = RotAngleAxisMatrix(Point3(unit(rng), unit(rng), unit(rng) + 2.0f), angle * unit(rng));
  tm.SetTrans(Point3(unit(rng), unit(rng), unit(rng)) * reach);
  return tm;
}

// A rig whose samples come from linear skinning with random weights over each
// vertex's candidates plus noise, so the search works as on a real mesh.
struct BenchRig {
  int vertexCount;
  std::vector<Point3> rest;
  std::vector<Matrix3> restTMs, frameTMs;
  std::vector<std::vector<Point3>> samples;
  std::vector<const Point3*> samplePtrs;
  std::vector<int> candidates;
  SkinWeightTable skin;

  explicit BenchRig(int n) : vertexCount(n) {
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f), positive(0.0f, 1.0f);
    for (int b = 0; b < kBones; ++b) restTMs.push_back(RandomTM(rng, 3.0f, 5.0f));
    for (int f = 0; f < kFrames; ++f)
      for (int b = 0; b < kBones; ++b) frameTMs.push_back(RandomTM(rng, 1.0f, 5.0f));
    samples.assign(kFrames, std::vector<Point3>(n));
    skin.SetVertexCount(n);
    std::vector<int> bones(kBones);
    std::vector<Matrix3> inverse(kBones);
    for (int b = 0; b < kBones; ++b) inverse[b] = Inverse(restTMs[b]);
    for (int v = 0; v < n; ++v) {
      const Point3 r = Point3(unit(rng), unit(rng), unit(rng)) * 5.0f;
      rest.push_back(r);
      for (int b = 0; b < kBones; ++b) bones[b] = b;
      std::shuffle(bones.begin(), bones.end(), rng);
      float w[kCandidates], sum = 0.0f;
      for (int k = 0; k < kCandidates; ++k) {
        candidates.push_back(bones[k]);
        w[k] = k < 3 ? positive(rng) : 0.0f;
        sum += w[k];
      }
      skin.Assign(v, bones[0], 1.0f);
      for (int f = 0; f < kFrames; ++f) {
        Point3 s(0, 0, 0);
        for (int k = 0; k < kCandidates; ++k)
          s += (r * inverse[bones[k]] * frameTMs[f * kBones + bones[k]]) * (w[k] / sum);
        samples[f][v] = s + Point3(unit(rng), unit(rng), unit(rng)) * 0.02f;
      }
    }
    for (const auto& frame : samples) samplePtrs.push_back(frame.data());
  }

  WeightSolveInput Input() const {
    WeightSolveInput in;
    in.vertexCount = vertexCount;
    in.boneCount = kBones;
    in.frameCount = kFrames;
    in.samples = samplePtrs.data();
    in.restPositions = rest.data();
    in.restBoneTMs = restTMs.data();
    in.frameBoneTMs = frameTMs.data();
    in.candidateBones = candidates.data();
    in.candidateCount = kCandidates;
    return in;
  }
};

const BenchRig& LargeRig() {
  static const BenchRig rig(10000);
  return rig;
}

const BenchRig& SmallRig() {
  static const BenchRig rig(100);
  return rig;
}

void BM_SolveWeights(benchmark::State& state) {
  const BenchRig& rig = LargeRig();
  WeightSearchOptions options;
  options.solverIterations = kIterations;
  options.threadCount = static_cast<int>(state.range(0));
  for (auto _ : state) {
    WeightSolveResult r = SolveWeights(rig.Input(), rig.skin, options);
    benchmark::DoNotOptimize(r.weights.data());
  }
  state.SetItemsProcessed(state.iterations() * rig.vertexCount);
}
BENCHMARK(BM_SolveWeights)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SolveWeightsReference(benchmark::State& state) {
  const BenchRig& rig = SmallRig();
  for (auto _ : state) {
    WeightSolveResult r = SolveWeightsReference(rig.Input(), rig.skin, kIterations);
    benchmark::DoNotOptimize(r.weights.data());
  }
  state.SetItemsProcessed(state.iterations() * rig.vertexCount);
}
BENCHMARK(BM_SolveWeightsReference)->Unit(benchmark::kMillisecond)->UseRealTime();

// The fast path on the reference's vertices, for a like-for-like ratio.
void BM_SolveWeightsSmall(benchmark::State& state) {
  const BenchRig& rig = SmallRig();
  WeightSearchOptions options;
  options.solverIterations = kIterations;
  options.threadCount = 1;
  for (auto _ : state) {
    WeightSolveResult r = SolveWeights(rig.Input(), rig.skin, options);
    benchmark::DoNotOptimize(r.weights.data());
  }
  state.SetItemsProcessed(state.iterations() * rig.vertexCount);
}
BENCHMARK(BM_SolveWeightsSmall)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
