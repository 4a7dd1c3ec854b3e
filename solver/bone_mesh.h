// Bone geometry as plain data, for the distance measure.
#pragma once
#include "sdk/matrix3.h"
#include "sdk/tab.h"

struct BoneFace {
  int v[3] = {0, 0, 0};  // corner vertex indices, in the face's own order
};

// A bone's triangle mesh in the bone's object space.
struct BoneMesh {
  Tab<Point3> verts;
  Tab<BoneFace> faces;
};

// What the distance measure knows of one bone: its object transform, which
// places the mesh in the world, and its mesh. A bone without a mesh (null, or
// no vertices) is measured by its position, the transform's translation row.
struct BoneGeometry {
  Matrix3 objectTM;
  const BoneMesh* mesh = nullptr;  // not owned
};
