// Octahedral bone shapes.
#include "cli/gltf/bone_shape.h"

#include <cmath>

void MakeBoneShape(const Point3& head, const Point3& tail, float width, Mesh& mesh) {
  const Point3 axis = tail - head;
  const float len = axis.Length();
  const Point3 dir = len > 0 ? axis / len : Point3(0, 0, 1);
  // Any vector not along the bone gives the ring's two directions.
  const Point3 helper = std::fabs(dir.x) < 0.9f ? Point3(1, 0, 0) : Point3(0, 1, 0);
  const Point3 u = Normalize(CrossProd(dir, helper)) * (width * len);
  const Point3 v = Normalize(CrossProd(dir, u)) * (width * len);
  const Point3 ring = head + axis * 0.2f;
  mesh.setNumVerts(6);
  mesh.setVert(0, head);
  mesh.setVert(1, ring + u);
  mesh.setVert(2, ring + v);
  mesh.setVert(3, ring - u);
  mesh.setVert(4, ring - v);
  mesh.setVert(5, tail);
  mesh.setNumFaces(8);
  for (int k = 0; k < 4; ++k) {
    const DWORD a = 1 + k, b = 1 + (k + 1) % 4;
    // dir x u = v, so the ring runs anticlockwise seen from the tail.
    mesh.faces[k].setVerts(0, b, a);
    mesh.faces[4 + k].setVerts(5, a, b);
    mesh.faces[k].flags = EDGE_ALL;
    mesh.faces[4 + k].flags = EDGE_ALL;
  }
  mesh.InvalidateGeomCache();
}
