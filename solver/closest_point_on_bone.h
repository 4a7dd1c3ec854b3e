// Closest point of a bone's geometry to a query point, in world space.
#pragma once
#include "sdk/point3.h"
#include "solver/bone_mesh.h"

// Nearest mesh vertex first, then, face by face, the foot on the face or else
// on its edges; a later point replaces the result only when strictly nearer.
// Without a mesh (null or no vertices) the result is objectTM's translation.
// Faces of zero area, edges of zero length and faces whose corner indices lie
// outside the vertex list add no point.
Point3 ClosestPointOnBone(const Matrix3& objectTM, const BoneMesh* mesh, const Point3& p);

// The same search over a mesh already placed in the world (verts transformed by
// the bone's object transform); vertexCount must be at least 1.
Point3 ClosestPointOnPlacedMesh(const Point3* verts, int vertexCount, const BoneFace* faces,
                                int faceCount, const Point3& p);

// Barycentric coordinates of q, taken in the plane of (a, b, c). False for a
// triangle of zero area (or one too small to divide by), leaving bary alone.
bool BarycentricCoords(const Point3& a, const Point3& b, const Point3& c, const Point3& q,
                       Point3& bary);
