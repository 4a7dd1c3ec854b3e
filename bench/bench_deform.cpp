// Delta Mush evaluation and capture on generated closed meshes.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <cmath>

#include "deformer/deform.h"
#include "deformer/rest_capture.h"
#include "tests/support/mesh_builders.h"

namespace {

constexpr int kIter = 10;

// Rings x segments of about the requested vertex count.
Mesh TorusOf(int64_t verts) {
  const int rings = static_cast<int>(std::sqrt(static_cast<double>(verts)));
  return MakeTorus(rings, static_cast<int>(verts / rings));
}

Mesh Posed(const Mesh& rest) {
  Mesh m = rest;
  for (auto& v : m.verts) {
    const float a = 0.3f * v.x;
    v = Point3(v.x * std::cos(a) - v.z * std::sin(a), v.y, v.x * std::sin(a) + v.z * std::cos(a));
  }
  return m;
}

void BM_DeformTriMesh(benchmark::State& st) {
  const Mesh rest = TorusOf(st.range(0));
  omp_set_num_threads(static_cast<int>(st.range(1)));
  RestState s;
  DeltaMushParams p;
  p.iter = kIter;
  CaptureRestState(s, rest, p.weight, p.iter, p.boundFixed);
  const Mesh posed = Posed(rest);
  Mesh m = posed;
  for (auto _ : st) {
    st.PauseTiming();
    m.verts = posed.verts;  // the host hands in a fresh input each time
    st.ResumeTiming();
    DeformTriMesh(s, m, p);
    benchmark::DoNotOptimize(m.verts.data());
  }
  st.counters["vertices"] = rest.numVerts;
  st.counters["threads"] = static_cast<double>(st.range(1));
  st.SetItemsProcessed(st.iterations() * rest.numVerts * kIter);  // vertex-iterations
}

void BM_CaptureRestState(benchmark::State& st) {
  const Mesh rest = TorusOf(st.range(0));
  omp_set_num_threads(static_cast<int>(st.range(1)));
  for (auto _ : st) {
    RestState s;
    CaptureRestState(s, rest, 1.0f, kIter, true);
    benchmark::DoNotOptimize(s.smoothedRest.data());
  }
  st.counters["vertices"] = rest.numVerts;
  st.SetItemsProcessed(st.iterations() * rest.numVerts);
}

}  // namespace

BENCHMARK(BM_DeformTriMesh)->ArgsProduct({{10000, 100000}, {1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CaptureRestState)->ArgsProduct({{10000, 100000}, {1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
