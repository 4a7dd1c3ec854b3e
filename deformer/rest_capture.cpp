#include "rest_capture.h"

#include "local_frame.h"
#include "smoothing.h"
#include "topology.h"
#include "deformer/parallel_threshold.h"

void CaptureRestState(RestState& state, const Mesh& captured, float weight, int iter, bool boundFixed) {
  state.restMesh = std::make_unique<Mesh>(captured);
  RebuildDerivedState(state, weight, iter, boundFixed);
}

void RebuildDerivedState(RestState& state, float weight, int iter, bool boundFixed) {
  if (!state.restMesh) return;
  const int n = state.NumVerts();
  state.smoothedRest.assign(n, Point3());
  state.workPos.assign(n, Point3());
  state.inputPos.assign(n, Point3());
  state.neighbors.Reset(n);
  BuildNeighbors(*state.restMesh, state.neighbors);
  BuildFixedVerts(state, boundFixed);
  PrecomputeRest(state, weight, iter);
}

void BuildFixedVerts(RestState& state, bool boundFixed) {
  if (!state.restMesh) return;
  BuildFixedVerts(*state.restMesh, boundFixed, state.fixedVerts);
}

void PrecomputeRest(RestState& state, float weight, int iter) {
  if (!state.restMesh) return;
  const Mesh& rest = *state.restMesh;
  const int n = rest.numVerts;
  state.smoothedRest.assign(rest.verts.begin(), rest.verts.begin() + n);
  if (state.fixedVerts.size() != static_cast<size_t>(n)) state.fixedVerts.assign(n, 0);
  // workPos means nothing between evaluations, so it serves as the accumulator.
  if (state.workPos.size() != static_cast<size_t>(n)) state.workPos.assign(n, Point3());
  SmoothPositions(state.smoothedRest, state.workPos.data(), n, state.neighbors, state.fixedVerts.data(),
                  weight, iter);

  // The captured position in the smoothed rest frame does not change between
  // evaluations, so it is found once here instead of inverting a frame per vertex
  // per evaluation. Same arithmetic as T * Inverse(M) taken at evaluation time.
  state.restLocal.assign(n, Point3());
  state.restFrameOk.assign(n, 0);
  const Point3* S = state.smoothedRest.data();
  const NeighborLists& nb = state.neighbors;
#pragma omp parallel for schedule(static) if (n >= kParallelMinVertices)
  for (int i = 0; i < n; ++i) {
    if (nb.Count(i) < 2) continue;
    Matrix3 frame;
    if (!BuildLocalFrame(S[i], S[nb.At(i, 0)], S[nb.At(i, 1)], frame)) continue;
    const Point3 local = Inverse(frame).PointTransform(rest.verts[i]);
    if (!IsFinite(local)) continue;
    state.restLocal[i] = local;
    state.restFrameOk[i] = 1;
  }
}
