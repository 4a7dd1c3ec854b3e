// Delta Mush through the loaded plug-in: a node carrying the rest mesh gets a
// Fernwick modifier, its parameters are set through the block, the base mesh
// takes the pose and the node is evaluated.
#pragma once
#include <string>
#include <vector>

#include "deformer/delta_mush_params.h"
#include "sdk/mesh.h"
#include "sdk/mnmesh.h"

class ClassDesc2;

// Deformed positions of `posed` (same topology as rest). usePoly: hand the
// modifier a polygon-mesh object instead of a triangle-mesh object.
bool DeformThroughHost(ClassDesc2* desc, const MNMesh& rest, const MNMesh& posed, const DeltaMushParams& params,
                       bool usePoly, std::vector<Point3>& out, std::string& error);
