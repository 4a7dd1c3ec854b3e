#include "cli/gltf/gltf_scene.h"

#include <algorithm>

#include "cli/terminal_host/plugin_host.h"
#include "frame/fernwick_ids.h"
#include "host/skin_access.h"
#include "sdk/class_desc.h"
#include "sdk/derived_object.h"
#include "sdk/helper_object.h"
#include "sdk/interface.h"
#include "sdk/param_block.h"
#include "sdk/tri_object.h"
#include "sdk/utf8.h"

namespace {

// The file's nodes the skeleton hangs from: every joint and every node above
// one, parents before children. Keeping the file's own hierarchy lets the
// host compose each bone's transform as glTF does, a non-uniform scale above
// a turned bone included, which no single node transform can hold.
std::vector<int> RigNodes(const GltfCharacter& c) {
  std::vector<char> wanted(c.nodes.size(), 0);
  for (const GltfJoint& j : c.joints)
    for (int n = j.node; n >= 0 && !wanted[n]; n = c.nodes[n].parent) wanted[n] = 1;
  std::vector<int> depth(c.nodes.size(), 0), order;
  for (size_t n = 0; n < c.nodes.size(); ++n) {
    if (!wanted[n]) continue;
    for (int p = c.nodes[n].parent; p >= 0; p = c.nodes[p].parent) ++depth[n];
    order.push_back(static_cast<int>(n));
  }
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return depth[a] < depth[b]; });
  return order;
}

// The mesh node, standing in the world at its bind pose: the node sits at the origin.
void CreateMeshNode(const GltfSkinnedMesh& m, ImportedMesh& out) {
  TriObject* tri = CreateNewTriObject();
  BuildGltfMesh(m, tri->mesh);
  out.node = GetCOREInterface()->CreateObjectNode(tri, Utf8ToWide(m.name).c_str());
}

// The mesh's Skin on the skeleton's bones and a Fernwick on top, its rest
// state captured at the bind pose (time 0).
bool ImportMesh(const GltfSkinnedMesh& m, const std::vector<INode*>& bones, ClassDesc2* fernwickDesc,
                const ImportSettings& s, const ImportedCharacter& ic, ImportedMesh& out, std::string& error) {
  Interface* ip = GetCOREInterface();
  Object* tri = out.node->GetObjectRef();
  out.skin = static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
  if (!out.skin) {
    error = "the host has no Skin modifier";
    return false;
  }
  IDerivedObject* dobj = CreateDerivedObject(tri);
  out.node->SetObjectRef(dobj);
  dobj->AddModifier(out.skin);
  auto* import = static_cast<ISkinImportData*>(out.skin->GetInterface(I_SKINIMPORTDATA));
  import->SetSkinInitTM(Matrix3());
  for (size_t slot = 0; slot < m.joints.size(); ++slot) {
    import->AddBoneEx(bones[m.joints[slot]], FALSE);
    // Skinning carries a vertex from the bind pose by its joint's motion:
    // position * bindWorld * Inverse(this) * jointWorld = position * inverseBind * jointWorld.
    import->SetBoneInitTM(bones[m.joints[slot]], Inverse(m.inverseBind[slot]) * m.bindWorld);
  }
  import->SetNumPoints(out.node, static_cast<int>(m.positions.size()));
  for (size_t v = 0; v < m.weights.size(); ++v) {
    Tab<INode*> vb;
    Tab<float> vw;
    for (auto [slot, w] : m.weights[v]) {
      vb.Append(bones[m.joints[slot]]);
      vw.Append(w);
    }
    import->AddWeights(out.node, static_cast<int>(v), vb, vw);
  }

  out.fernwick = CreateFernwick(fernwickDesc);
  if (!out.fernwick) {
    error = "the plug-in made no modifier";
    return false;
  }
  dobj->AddModifier(out.fernwick);
  dobj->Eval(0, 0);
  IParamBlock2* pb = out.fernwick->GetParamBlock(0);
  // The first parameter change captures the rest state, at the bind pose.
  pb->SetValue(pb_weight, 0, s.params.weight);
  pb->SetValue(pb_iter, 0, s.params.iter);
  pb->SetValue(pb_displace, 0, s.params.displace);
  pb->SetValue(pb_boundFixed, 0, s.params.boundFixed ? 1 : 0);
  pb->SetValue(pb_boneLimit, 0, s.boneLimit);
  pb->SetValue(pb_solverIterations, 0, s.solverIterations);
  // The solve's range: every keyed clip, or the bind pose and the frame after.
  pb->SetValue(pb_startFrame, 0, ic.clips.empty() ? 0 : ic.clips.front().first);
  pb->SetValue(pb_endFrame, 0, ic.clips.empty() ? 1 : ic.clips.back().last());
  return true;
}

}  // namespace

bool ImportCharacter(const GltfCharacter& c, ClassDesc2* fernwickDesc, const ImportSettings& s,
                     ImportedCharacter& out, std::string& error) {
  Interface* ip = GetCOREInterface();
  out = ImportedCharacter();
  if (c.joints.empty() || c.meshes.empty()) {
    error = c.meshes.empty() ? "the file has no skinned mesh" : "the skin has no joints";
    return false;
  }
  out.meshes.resize(c.meshes.size());
  for (size_t m = 0; m < c.meshes.size(); ++m) CreateMeshNode(c.meshes[m], out.meshes[m]);

  // The skeleton's nodes: joints as bones with their bone shapes, the nodes
  // above them as points, in the file's hierarchy.
  const std::vector<Matrix3> bind = GltfJointBindWorld(c);
  const std::vector<std::vector<GltfLimb>> limbs = GltfJointLimbs(c, bind);
  std::vector<int> jointOfNode(c.nodes.size(), -1);
  for (size_t j = 0; j < c.joints.size(); ++j) jointOfNode[c.joints[j].node] = static_cast<int>(j);
  const std::vector<int> rig = RigNodes(c);
  std::vector<INode*> sceneNode(c.nodes.size(), nullptr);
  out.bones.resize(c.joints.size());
  for (int n : rig) {
    const int j = jointOfNode[n];
    Object* obj = nullptr;
    std::string name;
    if (j >= 0) {
      TriObject* boneObj = CreateNewTriObject();
      BuildGltfJointBone(limbs[j], bind[j], boneObj->mesh);
      obj = boneObj;
      name = c.joints[j].name;
    } else {
      obj = static_cast<Object*>(ip->CreateInstance(HELPER_CLASS_ID, POINTHELP_CLASS_ID));
      name = c.nodes[n].name.empty() ? "node" + std::to_string(n) : c.nodes[n].name;
    }
    sceneNode[n] = ip->CreateObjectNode(obj, Utf8ToWide(name).c_str());
    if (c.nodes[n].parent >= 0) sceneNode[c.nodes[n].parent]->AttachChild(sceneNode[n], FALSE);
    if (j >= 0) out.bones[j] = sceneNode[n];
  }

  // Frame 0 holds the bind pose (the nodes above the joints at rest), the
  // clips follow from frame 1; parents are keyed first, as each node's
  // transform is kept relative to its parent's.
  const int tpf = GetTicksPerFrame();
  ip->SetAnimateMode(s.animations.empty() ? FALSE : TRUE);
  for (int n : rig) sceneNode[n]->SetNodeTM(0, jointOfNode[n] >= 0 ? bind[jointOfNode[n]] : c.nodes[n].restWorld);
  int next = 1;
  for (int index : s.animations) {
    if (index < 0 || index >= static_cast<int>(c.animations.size())) continue;
    const GltfAnimation& clip = c.animations[index];
    if (clip.frameCount <= 0) continue;
    ClipPlacement place{index, next, clip.frameCount};
    for (int f = 0; f < clip.frameCount; ++f) {
      const std::vector<Matrix3> world = GltfNodeWorldAtFrame(c, clip, f);
      for (int n : rig) sceneNode[n]->SetNodeTM((place.first + f) * tpf, world[n]);
    }
    out.clips.push_back(place);
    out.lastFrame = place.last();
    next = place.last() + 2;
  }
  ip->SetAnimateMode(FALSE);
  ip->SetAnimRange(Interval(0, std::max(out.lastFrame, 1) * tpf));
  ip->SetTime(0);

  for (size_t m = 0; m < c.meshes.size(); ++m)
    if (!ImportMesh(c.meshes[m], out.bones, fernwickDesc, s, out, out.meshes[m], error)) return false;
  ip->SelectNode(out.meshes.front().node, 1);
  return true;
}

bool SkinWeightsForExport(INode* meshNode, const GltfCharacter& c, const GltfSkinnedMesh& m,
                          GltfVertexWeights& weights, std::string& error) {
  SkinAccess skin;
  if (!FindSkin(meshNode, skin) || !skin.context) {
    error = "the mesh node has no Skin with weights";
    return false;
  }
  const std::string where = "\"" + m.name + "\": ";
  if (skin.skin->GetNumBones() != static_cast<int>(m.joints.size())) {
    error = where + "the Skin has " + std::to_string(skin.skin->GetNumBones()) + " bones but the file's skin has " +
            std::to_string(m.joints.size()) + " joints";
    return false;
  }
  for (int b = 0; b < skin.skin->GetNumBones(); ++b) {
    const std::string& joint = c.joints[m.joints[b]].name;
    if (WideToUtf8(skin.skin->GetBone(b)->GetName()) != joint) {
      error = where + "Skin bone " + std::to_string(b) + " is \"" + WideToUtf8(skin.skin->GetBone(b)->GetName()) +
              "\" but joint " + std::to_string(b) + " is \"" + joint + "\"";
      return false;
    }
  }
  const int n = skin.context->GetNumPoints();
  if (n != static_cast<int>(m.positions.size())) {
    error = where + "the Skin has " + std::to_string(n) + " vertices but the file's mesh welds to " +
            std::to_string(m.positions.size());
    return false;
  }
  weights.assign(n, {});
  for (int v = 0; v < n; ++v)
    for (int j = 0; j < skin.context->GetNumAssignedBones(v); ++j) {
      const float w = skin.context->GetBoneWeight(v, j);
      if (w > 0.0f) weights[v].push_back({skin.context->GetAssignedBone(v, j), w});
    }
  return true;
}
