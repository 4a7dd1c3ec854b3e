// Delta Mush deformation of posed meshes against the rest state.
#pragma once
#include "../sdk/mesh.h"
#include "../sdk/mnmesh.h"
#include "delta_mush_params.h"
#include "rest_state.h"

// Deforms mesh in place; a mesh whose counts differ from the rest mesh is left as it is.
void DeformTriMesh(RestState& state, Mesh& mesh, const DeltaMushParams& params);

// The same on a polygon mesh, matched by vertex count and triangle count.
void DeformPolyMesh(RestState& state, MNMesh& mesh, const DeltaMushParams& params);
