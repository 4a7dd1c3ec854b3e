#include "solve_gather.h"

#include "../../sdk/derived_object.h"
#include "../../sdk/interface.h"
#include "../../sdk/tri_object.h"
#include "../../tools/node_ops.h"

void SwitchModifiersAboveSkin(INode* node, Modifier* skinMod, bool on) {
  Object* obj = node->GetObjectRef();
  while (obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
    IDerivedObject* dobj = static_cast<IDerivedObject*>(obj);
    for (int i = 0; i < dobj->NumModifiers(); ++i) {
      Modifier* m = dobj->GetModifier(i);
      if (m == skinMod) return;
      if (on)
        m->EnableMod();
      else
        m->DisableMod();
    }
    obj = dobj->GetObjRef();
  }
}

// The bone meshes in their bones' object space; none for a bone whose object
// cannot become a triangle mesh.
std::vector<std::unique_ptr<BoneMesh>> BuildBoneMeshes(ISkin* skin, TimeValue t) {
  std::vector<std::unique_ptr<BoneMesh>> meshes(skin->GetNumBones());
  for (int b = 0; b < skin->GetNumBones(); ++b) {
    INode* bone = skin->GetBone(b);
    if (!bone) continue;
    Object* obj = bone->EvalWorldState(t, TRUE).obj;
    if (!obj || !obj->CanConvertToType(triObjectClassID)) continue;
    int needDelete = 0;
    TriObject* tri = GetNodeTriObject(bone, t, &needDelete);
    if (!tri) continue;
    auto mesh = std::make_unique<BoneMesh>();
    const Mesh& m = tri->GetMesh();
    for (int i = 0; i < m.numVerts; ++i) mesh->verts.Append(m.verts[i]);
    for (int f = 0; f < m.numFaces; ++f) {
      BoneFace face;
      for (int j = 0; j < 3; ++j) face.v[j] = static_cast<int>(m.faces[f].v[j]);
      mesh->faces.Append(face);
    }
    meshes[b] = std::move(mesh);
    if (needDelete) tri->DeleteMe();
  }
  return meshes;
}

bool CaptureRestPositions(INode* node, TimeValue t, int vertexCount, std::vector<Point3>& out) {
  out.assign(vertexCount, Point3());
  int needDelete = 0;
  TriObject* tri = GetNodeTriObject(node, t, &needDelete);
  if (!tri) return false;
  const Mesh& m = tri->GetMesh();
  const Matrix3 tm = node->GetObjectTM(t);
  const bool ok = m.numVerts >= vertexCount;
  if (ok)
    for (int v = 0; v < vertexCount; ++v) out[v] = tm.PointTransform(m.verts[v]);
  if (needDelete) tri->DeleteMe();
  return ok;
}

std::vector<Matrix3> BoneTransforms(ISkin* skin, TimeValue t) {
  std::vector<Matrix3> tms(skin->GetNumBones());
  for (int b = 0; b < skin->GetNumBones(); ++b)
    if (INode* bone = skin->GetBone(b)) tms[b] = bone->GetNodeTM(t);
  return tms;
}

std::vector<std::vector<Point3>> CollectPoseSamples(INode* node, int stackPosition, int startFrame, int endFrame,
                                                    int ticksPerFrame) {
  Interface* ip = GetCOREInterface();
  std::vector<std::vector<Point3>> samples;
  for (int frame = startFrame; frame <= endFrame; ++frame) {
    const TimeValue t = frame * ticksPerFrame;
    ip->SetTime(t, FALSE);
    int needDelete = 0;
    TriObject* tri = EvalStackTriObject(node, ip->GetTime(), stackPosition, needDelete);
    std::vector<Point3> pos;
    if (tri) {
      const Matrix3 tm = node->GetObjectTM(t);
      const Mesh& m = tri->GetMesh();
      pos.resize(m.numVerts);
      for (int i = 0; i < m.numVerts; ++i) pos[i] = tm.PointTransform(m.verts[i]);
      if (needDelete) tri->DeleteMe();
    }
    samples.push_back(std::move(pos));
  }
  return samples;
}

