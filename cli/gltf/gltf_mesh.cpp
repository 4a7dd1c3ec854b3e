// Geometry built from a character: its meshes at the bind pose and its
// joints' bone shapes.
#include <algorithm>
#include <cmath>

#include "cli/gltf/bone_shape.h"
#include "cli/gltf/gltf_character.h"

std::vector<Point3> GltfBindWorldPositions(const GltfSkinnedMesh& m) {
  std::vector<Point3> out(m.positions.size());
  for (size_t i = 0; i < m.positions.size(); ++i) out[i] = m.positions[i] * m.bindWorld;
  return out;
}

void BuildGltfMesh(const GltfSkinnedMesh& m, Mesh& mesh) {
  const std::vector<Point3> world = GltfBindWorldPositions(m);
  mesh.setNumVerts(int(world.size()));
  for (size_t i = 0; i < world.size(); ++i) mesh.setVert(int(i), world[i]);
  mesh.setNumFaces(int(m.triangles.size()));
  for (size_t f = 0; f < m.triangles.size(); ++f) {
    const auto& t = m.triangles[f];
    mesh.faces[f].setVerts(DWORD(t[0]), DWORD(t[1]), DWORD(t[2]));
    mesh.faces[f].flags = EDGE_ALL;
  }
  mesh.InvalidateGeomCache();
}

std::vector<Matrix3> GltfJointBindWorld(const GltfCharacter& c) {
  std::vector<Matrix3> bind(c.joints.size());
  std::vector<char> placed(c.joints.size(), 0);
  for (const GltfSkinnedMesh& m : c.meshes)
    for (size_t slot = 0; slot < m.joints.size(); ++slot) {
      const int j = m.joints[slot];
      if (placed[j]) continue;
      bind[j] = Inverse(m.inverseBind[slot]) * m.bindWorld;
      placed[j] = 1;
    }
  return bind;
}

namespace {

// Per joint, the world bind positions of the vertices whose largest weight is
// that joint's (the first of equal ones, as the Skin ranks them).
std::vector<std::vector<Point3>> CarriedVertices(const GltfCharacter& c) {
  std::vector<std::vector<Point3>> carried(c.joints.size());
  for (const GltfSkinnedMesh& m : c.meshes)
    for (size_t v = 0; v < m.positions.size() && v < m.weights.size(); ++v) {
      int heaviest = -1;
      float most = 0.0f;
      for (const auto& [slot, w] : m.weights[v])
        if (w > most && slot >= 0 && slot < int(m.joints.size())) {
          most = w;
          heaviest = slot;
        }
      if (heaviest >= 0) carried[m.joints[heaviest]].push_back(m.positions[v] * m.bindWorld);
    }
  return carried;
}

// An end joint's limb over the vertices it carries: from the joint towards
// their centre, as far as the farthest of them reaches along that line. When
// the centre lies on the joint, the limb takes the direction it would
// otherwise have (along) and the vertices' reach along it.
bool LimbOverCarried(const Point3& head, const std::vector<Point3>& carried, const Point3& along, Point3& tail) {
  if (carried.empty()) return false;
  Point3 centre(0, 0, 0);
  float spread = 0.0f;
  for (const Point3& p : carried) centre += p;
  centre = centre / float(carried.size());
  for (const Point3& p : carried) spread = std::max(spread, Length(p - head));
  if (!(spread > 0.0f)) return false;
  Point3 dir = centre - head;
  dir = Length(dir) > 0.1f * spread ? Normalize(dir) : along;
  if (!(Length(dir) > 0.0f)) return false;
  float reach = 0.0f;
  for (const Point3& p : carried) reach = std::max(reach, DotProd(p - head, dir));
  if (!(reach > 0.0f)) return false;
  tail = head + dir * reach;
  return true;
}

}  // namespace

std::vector<std::vector<GltfLimb>> GltfJointLimbs(const GltfCharacter& c, const std::vector<Matrix3>& bind) {
  const int n = int(c.joints.size());
  std::vector<std::vector<GltfLimb>> limbs(n);
  const std::vector<std::vector<Point3>> carried = CarriedVertices(c);
  for (int j = 0; j < n; ++j) {
    const Point3 head = bind[j].GetTrans();
    for (int k = 0; k < n; ++k)
      if (c.joints[k].parent == j && Length(bind[k].GetTrans() - head) > 0.0f)
        limbs[j].push_back({head, bind[k].GetTrans()});
    if (!limbs[j].empty()) continue;
    // An end joint: what it carries, else its parent's limb continued.
    const int parent = c.joints[j].parent;
    const Point3 fromParent = parent >= 0 ? head - bind[parent].GetTrans() : Point3(0, 0, 0);
    Point3 tail;
    if (LimbOverCarried(head, carried[j], Length(fromParent) > 0.0f ? Normalize(fromParent) : Point3(0, 0, 0), tail))
      limbs[j].push_back({head, tail});
    else if (Length(fromParent) > 0.0f)
      limbs[j].push_back({head, head + fromParent * 0.5f});
    else  // nothing to follow: a stub a tenth of the joint's unit along its +Y
      limbs[j].push_back({head, head + bind[j].GetRow(1) * 0.1f});
  }
  return limbs;
}

void BuildGltfJointBone(const std::vector<GltfLimb>& limbs, const Matrix3& bindWorld, Mesh& mesh) {
  const Matrix3 toJoint = Inverse(bindWorld);
  mesh = Mesh();
  for (const GltfLimb& limb : limbs) {
    Mesh part;
    MakeBoneShape(limb.head * toJoint, limb.tail * toJoint, 0.1f, part);
    const int base = mesh.numVerts, faceBase = mesh.numFaces;
    mesh.setNumVerts(base + part.numVerts, true);
    for (int i = 0; i < part.numVerts; ++i) mesh.setVert(base + i, part.verts[i]);
    mesh.setNumFaces(faceBase + part.numFaces, true);
    for (int f = 0; f < part.numFaces; ++f) {
      mesh.faces[faceBase + f].setVerts(part.faces[f].v[0] + base, part.faces[f].v[1] + base,
                                        part.faces[f].v[2] + base);
      mesh.faces[faceBase + f].flags = part.faces[f].flags;
    }
  }
  mesh.InvalidateGeomCache();
}
