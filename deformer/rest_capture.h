// Capture and smoothing of the rest state.
#pragma once
#include "../sdk/mesh.h"
#include "rest_state.h"

// Replaces the rest state with a copy of `captured`, then rebuilds everything
// derived from it. The colour-map cache survives.
void CaptureRestState(RestState& state, const Mesh& captured, float weight, int iter, bool boundFixed);

// After restMesh was replaced (capture, load): fresh per-vertex buffers,
// neighbours, the fixed set and the rest smoothing.
void RebuildDerivedState(RestState& state, float weight, int iter, bool boundFixed);

// Recomputes smoothedRest from restMesh, and with it each vertex's captured
// position in its smoothed rest frame. No rest mesh: nothing.
void PrecomputeRest(RestState& state, float weight, int iter);

// Rebuilds fixedVerts from restMesh. No rest mesh: nothing.
void BuildFixedVerts(RestState& state, bool boundFixed);
