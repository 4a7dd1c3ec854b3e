#include "solver/weight_search.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "solver/combinations.h"
#include "solver/start_candidate.h"

namespace {

// Tentative weight sets evaluated side by side: each error is a running sum in
// frame order, so only independent sums can overlap.
constexpr int kBatch = 4;
// Frames per slice between the checks that drop a hopeless move.
constexpr int kSlice = 32;

// kFixed > 0 fixes the length at compile time for full slices.
template <int kFixed>
void ScaleInto(float* __restrict out, const float* __restrict d, float t, int count) {
  const int n = kFixed > 0 ? kFixed : count;
  for (int i = 0; i < n; ++i) out[i] = d[i] * t;
}

template <int kFixed>
void AddScaled(float* __restrict acc, const float* __restrict d, float t, int count) {
  const int n = kFixed > 0 ? kFixed : count;
  for (int i = 0; i < n; ++i) acc[i] += d[i] * t;
}

// One thread's search state, sized once per solve and reused for every vertex.
//
// Same results as the literal search, cheaper:
// - Every rigidly carried offset d = q - r is computed once per vertex,
//   candidate and frame, with the operations of the literal skinned position,
//   so each error rounds exactly as it would there.
// - A zero weight only adds a signed zero to a coordinate, and a sum started
//   from its first term instead of from +0 differs at most in the sign of a
//   zero; no length can see either, so both shortcuts are taken when the
//   offsets are finite.
// - A pass applies its first move of least error, and only if that error is
//   below the current one. So a move can be dropped as soon as its running
//   sum (which never decreases: lengths are not negative) reaches the current
//   error or the best error so far. The one exception is a NaN error on the
//   pass's first move, which would block every later move: the first move is
//   always summed in full.
class VertexSearch {
 public:
  VertexSearch(const WeightSolveInput& in, const std::vector<Matrix3>& inverseRest)
      : in_(in),
        inverseRest_(inverseRest),
        L_(in.candidateCount),
        F_(in.frameCount),
        dx_(static_cast<size_t>(L_) * F_),
        dy_(dx_.size()),
        dz_(dx_.size()),
        sx_(F_),
        sy_(F_),
        sz_(F_),
        ax_(kSlice),
        ay_(kSlice),
        az_(kSlice),
        len_(static_cast<size_t>(kBatch) * kSlice),
        batch_(static_cast<size_t>(kBatch) * L_),
        active_(static_cast<size_t>(kBatch) * L_),
        finite_(L_),
        w_(L_),
        best_(L_),
        others_(L_),
        positions_(L_) {}

  void Load(int v) {
    r_ = in_.restPositions[v];
    const int* candidates = in_.candidateBones + static_cast<size_t>(v) * L_;
    for (int k = 0; k < L_; ++k) {
      const int b = candidates[k];
      const Point3 inRest = r_ * inverseRest_[b];
      bool finite = true;
      float* dx = dx_.data() + static_cast<size_t>(k) * F_;
      float* dy = dy_.data() + static_cast<size_t>(k) * F_;
      float* dz = dz_.data() + static_cast<size_t>(k) * F_;
      for (int f = 0; f < F_; ++f) {
        const Point3 q = inRest * in_.frameBoneTMs[static_cast<size_t>(f) * in_.boneCount + b];
        const Point3 d = q - r_;
        dx[f] = d.x;
        dy[f] = d.y;
        dz[f] = d.z;
        finite = finite && IsFinite(d);
      }
      finite_[k] = finite;
    }
    for (int f = 0; f < F_; ++f) {
      const Point3& s = in_.samples[f][v];
      sx_[f] = s.x;
      sy_[f] = s.y;
      sz_[f] = s.z;
    }
  }

  // Coarse-to-fine search from all weight on the start candidate.
  void Solve(int startCandidate, int iterations, float* out) {
    float* w = w_.data();
    float* best = best_.data();
    int* others = others_.data();
    int* positions = positions_.data();
    std::fill(w_.begin(), w_.end(), 0.0f);
    w[startCandidate] = 1.0f;

    std::copy_n(w, L_, batch_.data());
    float currentError;
    bool unused;
    Evaluate(1, /*fullFirst=*/true, 0.0f, &currentError, &unused);

    float step = 0.5f;
    for (int pass = 1; pass < iterations; ++pass) {
      bool haveBest = false;
      float bestError = 0.0f;
      bool firstMove = true;
      bool blocked = false;
      int pending = 0;
      // Moves are judged in the order they were made, as one by one.
      auto judgePending = [&] {
        float errors[kBatch];
        bool kept[kBatch];
        const float bound = haveBest ? bestError : currentError;
        Evaluate(pending, firstMove, bound, errors, kept);
        for (int j = 0; j < pending; ++j) {
          if (firstMove) {
            firstMove = false;
            if (std::isnan(errors[j])) {
              blocked = true;
              break;
            }
          }
          if (kept[j] && errors[j] < (haveBest ? bestError : currentError)) {
            std::copy_n(batch_.data() + static_cast<size_t>(j) * L_, L_, best);
            bestError = errors[j];
            haveBest = true;
          }
        }
        pending = 0;
      };
      for (int i = 0; i < L_ && !blocked; ++i) {
        int n = 0;
        for (int j = 0; j < L_; ++j)
          if (j != i) others[n++] = j;
        for (int m = 1; m <= L_ - 1 && !blocked; ++m) {
          const float taken = static_cast<float>(m) * step;
          if (taken > w[i]) break;
          for (int j = 0; j < m; ++j) positions[j] = j;
          do {
            float* t = batch_.data() + static_cast<size_t>(pending) * L_;
            std::copy_n(w, L_, t);
            t[i] -= taken;
            for (int j = 0; j < m; ++j) t[others[positions[j]]] += step;
            if (++pending == kBatch) judgePending();
          } while (!blocked && NextCombination(positions, m, n));
        }
      }
      if (pending > 0 && !blocked) judgePending();
      if (!blocked && haveBest) {  // bestError < currentError by construction
        std::copy_n(best, L_, w);
        currentError = bestError;
      }
      step *= 0.5f;
    }
    std::copy_n(w, L_, out);
  }

 private:
  // Errors of the first `count` weight sets in batch_. Unless fullFirst holds
  // for set 0, a set whose running sum reaches `bound` is dropped (kept false).
  void Evaluate(int count, bool fullFirst, float bound, float* errors, bool* kept) {
    int activeCount[kBatch];
    for (int j = 0; j < count; ++j) {
      const float* t = batch_.data() + static_cast<size_t>(j) * L_;
      int* active = active_.data() + static_cast<size_t>(j) * L_;
      int n = 0;
      for (int k = 0; k < L_; ++k)
        if (t[k] != 0.0f || !finite_[k]) active[n++] = k;
      activeCount[j] = n;
      kept[j] = true;
    }
    float e[kBatch] = {0.0f, 0.0f, 0.0f, 0.0f};
    int alive = count;
    for (int f0 = 0; f0 < F_ && alive > 0; f0 += kSlice) {
      const int n = std::min(kSlice, F_ - f0);
      for (int j = 0; j < count; ++j) {
        if (!kept[j]) continue;
        const float* t = batch_.data() + static_cast<size_t>(j) * L_;
        const int* active = active_.data() + static_cast<size_t>(j) * L_;
        float* len = len_.data() + static_cast<size_t>(j) * kSlice;
        if (n == kSlice)
          SliceDistances<kSlice>(t, active, activeCount[j], f0, n, len);
        else
          SliceDistances<0>(t, active, activeCount[j], f0, n, len);
      }
      // Four independent running sums, each in frame order.
      const float* __restrict l0 = len_.data();
      const float* __restrict l1 = l0 + kSlice;
      const float* __restrict l2 = l1 + kSlice;
      const float* __restrict l3 = l2 + kSlice;
      float e0 = e[0], e1 = e[1], e2 = e[2], e3 = e[3];
      for (int f = 0; f < n; ++f) {
        e0 += l0[f];
        e1 += l1[f];
        e2 += l2[f];
        e3 += l3[f];
      }
      e[0] = e0;
      e[1] = e1;
      e[2] = e2;
      e[3] = e3;
      for (int j = 0; j < count; ++j) {
        if (kept[j] && !(fullFirst && j == 0) && e[j] >= bound) {
          kept[j] = false;
          --alive;
        }
      }
    }
    std::copy_n(e, count, errors);
  }

  // |r + sum_k t[k] * d_k - s| for frames f0 to f0 + n - 1, terms in ascending
  // k over the active candidates only.
  template <int kFixed>
  void SliceDistances(const float* t, const int* active, int activeCount, int f0, int count,
                      float* __restrict len) {
    const int n = kFixed > 0 ? kFixed : count;
    const float rx = r_.x, ry = r_.y, rz = r_.z;
    const float* __restrict sx = sx_.data() + f0;
    const float* __restrict sy = sy_.data() + f0;
    const float* __restrict sz = sz_.data() + f0;
    if (activeCount == 0) {
      const float px = rx + 0.0f, py = ry + 0.0f, pz = rz + 0.0f;
      for (int f = 0; f < n; ++f) {
        const float ex = px - sx[f], ey = py - sy[f], ez = pz - sz[f];
        len[f] = std::sqrt(ex * ex + ey * ey + ez * ez);
      }
      return;
    }
    if (activeCount == 1) {
      const int k = active[0];
      const float tk = t[k];
      const float* __restrict dx = Dx(k) + f0;
      const float* __restrict dy = Dy(k) + f0;
      const float* __restrict dz = Dz(k) + f0;
      for (int f = 0; f < n; ++f) {
        const float ex = (rx + dx[f] * tk) - sx[f];
        const float ey = (ry + dy[f] * tk) - sy[f];
        const float ez = (rz + dz[f] * tk) - sz[f];
        len[f] = std::sqrt(ex * ex + ey * ey + ez * ez);
      }
      return;
    }
    float* __restrict ax = ax_.data();
    float* __restrict ay = ay_.data();
    float* __restrict az = az_.data();
    {
      const int k = active[0];
      ScaleInto<kFixed>(ax, Dx(k) + f0, t[k], n);
      ScaleInto<kFixed>(ay, Dy(k) + f0, t[k], n);
      ScaleInto<kFixed>(az, Dz(k) + f0, t[k], n);
    }
    for (int a = 1; a < activeCount - 1; ++a) {
      const int k = active[a];
      AddScaled<kFixed>(ax, Dx(k) + f0, t[k], n);
      AddScaled<kFixed>(ay, Dy(k) + f0, t[k], n);
      AddScaled<kFixed>(az, Dz(k) + f0, t[k], n);
    }
    const int k = active[activeCount - 1];
    const float tk = t[k];
    const float* __restrict dx = Dx(k) + f0;
    const float* __restrict dy = Dy(k) + f0;
    const float* __restrict dz = Dz(k) + f0;
    for (int f = 0; f < n; ++f) {
      const float ex = (rx + (ax[f] + dx[f] * tk)) - sx[f];
      const float ey = (ry + (ay[f] + dy[f] * tk)) - sy[f];
      const float ez = (rz + (az[f] + dz[f] * tk)) - sz[f];
      len[f] = std::sqrt(ex * ex + ey * ey + ez * ez);
    }
  }

  const float* Dx(int k) const { return dx_.data() + static_cast<size_t>(k) * F_; }
  const float* Dy(int k) const { return dy_.data() + static_cast<size_t>(k) * F_; }
  const float* Dz(int k) const { return dz_.data() + static_cast<size_t>(k) * F_; }

  static_assert(kBatch == 4, "Evaluate sums four sets side by side");

  const WeightSolveInput& in_;
  const std::vector<Matrix3>& inverseRest_;
  const int L_;
  const int F_;
  Point3 r_;
  std::vector<float> dx_, dy_, dz_;  // per candidate, frameCount offsets each
  std::vector<float> sx_, sy_, sz_;
  std::vector<float> ax_, ay_, az_;  // one slice of partial sums
  std::vector<float> len_;           // kBatch slices of distances
  std::vector<float> batch_;         // kBatch tentative weight sets
  std::vector<int> active_;          // per set, the candidates with a term
  std::vector<char> finite_;
  std::vector<float> w_, best_;
  std::vector<int> others_, positions_;
};

}  // namespace

int LogicalProcessorCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 4 : static_cast<int>(n);
}

WeightSolveResult SolveWeights(const WeightSolveInput& in, const SkinWeightQuery& skin,
                               const WeightSearchOptions& options) {
  WeightSolveResult result;
  if (!IsValidSolveInput(in)) {
    result.status = WeightSolveStatus::InvalidInput;
    return result;
  }
  const int vertexCount = in.vertexCount;
  const int L = in.candidateCount;
  const int iterations = ClampSolverIterations(options.solverIterations);
  const int threads = options.threadCount > 0 ? options.threadCount : LogicalProcessorCount();
  const SolveClock now = options.clock != nullptr ? options.clock : SteadyClockSeconds;
  result.weights.assign(static_cast<size_t>(vertexCount) * L, 0.0f);
  if (vertexCount == 0) return result;

  std::vector<Matrix3> inverseRest(in.boneCount);
  for (int b = 0; b < in.boneCount; ++b) inverseRest[b] = Inverse(in.restBoneTMs[b]);

  // Start candidates first, in vertex order: a failure then names the same
  // vertex whatever the thread count, and nothing is solved for nothing.
  std::vector<int> starts(vertexCount);
  for (int v = 0; v < vertexCount; ++v) {
    const StartCandidate start = FindStartCandidate(skin, v, in.candidateBones + static_cast<size_t>(v) * L, L);
    if (start.failed()) {
      result.status = WeightSolveStatus::HeaviestBoneMissing;
      result.errorVertex = v;
      result.errorBone = start.heaviestBone;
      return result;
    }
    starts[v] = start.candidate;
  }

  std::atomic<int> solvedCount{0};
  float solveSeconds = 0.0f;
  int lastPercent = 0;  // loop thread 0 only
  float* weightsOut = result.weights.data();

  const int previousDynamic = omp_get_dynamic();
  omp_set_dynamic(0);
#pragma omp parallel num_threads(threads)
  {
    VertexSearch search(in, inverseRest);
#pragma omp for schedule(static)
    for (int v = 0; v < vertexCount; ++v) {
      const int thread = omp_get_thread_num();
      const double started = now();
      search.Load(v);
      search.Solve(starts[v], iterations, weightsOut + static_cast<size_t>(v) * L);

      const float elapsed = static_cast<float>(now() - started);
#pragma omp atomic
      solveSeconds += elapsed;
      solvedCount.fetch_add(1, std::memory_order_relaxed);

      if (thread == 0 && options.progress) {
        const int loopThreads = omp_get_num_threads();
        const int percent = SolveProgressPercent(loopThreads, v, vertexCount);
        if (percent != lastPercent) {
          SolveProgress progress;
          progress.percent = percent;
#pragma omp atomic read
          progress.solveSeconds = solveSeconds;
          progress.solvedCount = solvedCount.load(std::memory_order_relaxed);
          progress.loopThreads = loopThreads;
          progress.vertexCount = vertexCount;
          progress.secondsRemaining = SolveSecondsRemaining(
              progress.solveSeconds, progress.solvedCount, vertexCount, loopThreads);
          options.progress(progress);
          lastPercent = percent;
        }
      }
    }
  }
  omp_set_dynamic(previousDynamic);

  result.solvedCount = solvedCount.load();
  return result;
}
