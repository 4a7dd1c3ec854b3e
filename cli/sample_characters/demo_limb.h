// The built-in sample: a ridged limb on two bones with a crude linear skin.
#pragma once
#include <vector>

#include "sdk/matrix3.h"
#include "sdk/mnmesh.h"

struct DemoLimb {
  MNMesh rest;                  // closed tube with capped ends, along +x
  std::vector<float> elbowWeight;  // per vertex: weight of the lower bone
  Point3 elbow;                 // joint position
  float radius = 0.5f;
};

// rings x segments vertices on the tube (plus nothing else: the caps are polygons).
DemoLimb MakeDemoLimb(int rings = 200, int segments = 50);

// Linear blend skinning of the limb with the lower bone bent by angle (radians) about z.
MNMesh PoseDemoLimb(const DemoLimb& limb, float angle);
