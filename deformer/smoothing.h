// Smoothing passes shared by the rest mesh and every posed input, so that both
// are smoothed exactly alike.
#pragma once
#include <cstdint>

#include "../sdk/point3.h"
#include "neighbor_lists.h"
#include "parallel_threshold.h"

// Runs `iter` passes on pos (anything indexable to a Point3&, n entries).
// Each pass moves every free vertex with k > 0 neighbours by weight * (mean of
// neighbours - p), all from the positions before the pass. accum: n scratch points.
template <typename Positions>
void SmoothPositions(Positions& pos, Point3* accum, int n, const NeighborLists& neighbors,
                     const std::uint8_t* fixedVerts, float weight, int iter) {
  if (iter < 1 || n <= 0) return;
  const int* offsets = neighbors.offsets.data();
  const int* indices = neighbors.indices.data();
#pragma omp parallel if (n >= kParallelMinVertices)
  for (int pass = 0; pass < iter; ++pass) {
#pragma omp for schedule(static)
    for (int i = 0; i < n; ++i) {
      const Point3 p = pos[i];
      Point3 a(0.0f, 0.0f, 0.0f);
      for (int k = offsets[i]; k < offsets[i + 1]; ++k) a += (pos[indices[k]] - p) * weight;
      accum[i] = a;
    }
    // The implicit barrier above keeps every read of this pass before any write.
#pragma omp for schedule(static)
    for (int i = 0; i < n; ++i) {
      if (fixedVerts[i]) continue;
      const int count = offsets[i + 1] - offsets[i];
      Point3 a = accum[i];
      if (count > 0) {
        const float r = 1.0f / static_cast<float>(count);
        a.x *= r;
        a.y *= r;
        a.z *= r;
      }
      pos[i] += a;
    }
  }
}
