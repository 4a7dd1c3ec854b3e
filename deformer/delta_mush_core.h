// The steps of a Delta Mush evaluation that do not depend on the mesh kind.
#pragma once
#include <bit>
#include <cstdint>

#include "local_frame.h"
#include "rest_state.h"
#include "smoothing.h"
#include "parallel_threshold.h"

// 1/3 as the 32-bit float 0x3EAAAAAB: the colour mask is the mean of r, g, b.
inline float ColourMask(const Point3& c) {
  return (c.y + c.x + c.z) * std::bit_cast<float>(0x3EAAAAABu);
}

// Rest state buffers fit a mesh of n vertices.
inline bool RestStateFits(const RestState& s, int n) {
  const size_t un = static_cast<size_t>(n);
  return s.smoothedRest.size() == un && s.workPos.size() == un && s.inputPos.size() == un &&
         s.fixedVerts.size() == un && s.restLocal.size() == un && s.restFrameOk.size() == un &&
         s.neighbors.VertexCount() == n;
}

// Shows the captured mesh.
template <typename Positions>
void ShowRestPositions(const RestState& s, Positions& pos, int n) {
  const Point3* R = s.restMesh->verts.data();
#pragma omp parallel for schedule(static) if (n >= kParallelMinVertices)
  for (int i = 0; i < n; ++i) pos[i] = R[i];
}

// Copies the input, smooths it and puts each free vertex's target into workPos.
// A vertex without a usable frame (one neighbour, coincident or collinear
// neighbours in either mesh) takes its smoothed position as its target.
template <typename Positions>
void SmoothAndCarry(RestState& s, Positions& pos, int n, float weight, int iter) {
  Point3* W = s.workPos.data();
  Point3* I = s.inputPos.data();
  const NeighborLists& nb = s.neighbors;
  const std::uint8_t* F = s.fixedVerts.data();
#pragma omp parallel for schedule(static) if (n >= kParallelMinVertices)
  for (int i = 0; i < n; ++i) I[i] = pos[i];

  SmoothPositions(pos, W, n, nb, F, weight, iter);

#pragma omp parallel for schedule(static) if (n >= kParallelMinVertices)
  for (int i = 0; i < n; ++i) {
    if (F[i] || nb.Count(i) < 2) {
      W[i] = pos[i];
      continue;
    }
    Matrix3 frame;
    const bool ok = s.restFrameOk[i] && BuildLocalFrame(pos[i], pos[nb.At(i, 0)], pos[nb.At(i, 1)], frame);
    const Point3 target = ok ? frame.PointTransform(s.restLocal[i]) : pos[i];
    W[i] = IsFinite(target) ? target : pos[i];
  }
}

// Blends smoothed, target and input. mask(i) gives sel * col for vertex i.
template <typename Positions, typename Mask>
void BlendResult(const RestState& s, Positions& pos, int n, float displace, const Mask& mask) {
  const Point3* W = s.workPos.data();
  const Point3* I = s.inputPos.data();
  const NeighborLists& nb = s.neighbors;
  const std::uint8_t* F = s.fixedVerts.data();
#pragma omp parallel for schedule(static) if (n >= kParallelMinVertices)
  for (int i = 0; i < n; ++i) {
    if (F[i] || nb.Count(i) == 0) continue;  // never moved: still the input
    const float w = mask(i);
    Point3 p = pos[i];
    p = p + (W[i] - p) * displace;
    p = p + (I[i] - p) * (1.0f - w);
    // Nothing that is not finite leaves the deformer.
    pos[i] = IsFinite(p) ? p : I[i];
  }
}
