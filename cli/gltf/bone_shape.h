// The mesh a bone carries, so that the distance from a vertex to the bone is
// the distance to the limb it stands for.
#pragma once
#include "sdk/mesh.h"
#include "sdk/point3.h"

// A slim closed octahedron from head to tail: a point at each end and a square
// ring a fifth of the way along whose half-width is width times the length.
// Eight triangles facing outwards, every edge visible. A zero-length bone
// gives a zero-size shape at head.
void MakeBoneShape(const Point3& head, const Point3& tail, float width, Mesh& mesh);
