// Geometry built from a character: its mesh and its joints' bone shapes.
#include "cli/gltf/bone_shape.h"
#include "cli/gltf/gltf_character.h"

void BuildGltfMesh(const GltfCharacter& c, Mesh& mesh) {
  mesh.setNumVerts(int(c.positions.size()));
  for (size_t i = 0; i < c.positions.size(); ++i) mesh.setVert(int(i), c.positions[i]);
  mesh.setNumFaces(int(c.triangles.size()));
  for (size_t f = 0; f < c.triangles.size(); ++f) {
    const auto& t = c.triangles[f];
    mesh.faces[f].setVerts(DWORD(t[0]), DWORD(t[1]), DWORD(t[2]));
    mesh.faces[f].flags = EDGE_ALL;
  }
  mesh.InvalidateGeomCache();
}

void GltfJointSegment(const GltfCharacter& c, int joint, Point3& head, Point3& tail) {
  const Matrix3& world = c.nodes[c.joints[joint].node].restWorld;
  const Matrix3 toJoint = Inverse(world);
  head = {0, 0, 0};
  for (const GltfJoint& other : c.joints)
    if (other.parent == joint) {
      const Point3 end = c.nodes[other.node].restWorld.GetTrans() * toJoint;
      if (end.Length() > 0) {
        tail = end;
        return;
      }
    }
  // An end joint continues its parent's limb at half its length.
  const int parent = c.joints[joint].parent;
  if (parent >= 0) {
    const Point3 from = c.nodes[c.joints[parent].node].restWorld.GetTrans() * toJoint;
    if (from.Length() > 0) {
      tail = -from * 0.5f;
      return;
    }
  }
  // Nothing to follow: a stub along +Y, scaled to the joint's own size.
  const float size = world.GetRow(1).Length();
  tail = Point3(0, 0.1f, 0) * (size > 0 ? 1.0f / size : 1.0f);
}

void BuildGltfJointBone(const GltfCharacter& c, int joint, Mesh& mesh) {
  Point3 head, tail;
  GltfJointSegment(c, joint, head, tail);
  MakeBoneShape(head, tail, 0.1f, mesh);
}
