#include "cli/gltf/gltf_scene.h"

#include <functional>

#include "cli/terminal_host/plugin_host.h"
#include "frame/fernwick_ids.h"
#include "host/skin_access.h"
#include "sdk/class_desc.h"
#include "sdk/derived_object.h"
#include "sdk/interface.h"
#include "sdk/param_block.h"
#include "sdk/tri_object.h"
#include "sdk/utf8.h"

namespace {

// Joints ordered so that every parent comes before its children.
std::vector<int> ParentsFirst(const GltfCharacter& c) {
  std::vector<int> order, state(c.joints.size(), 0);
  std::function<void(int)> visit = [&](int j) {
    if (state[j]) return;
    state[j] = 1;
    if (c.joints[j].parent >= 0) visit(c.joints[j].parent);
    order.push_back(j);
  };
  for (size_t j = 0; j < c.joints.size(); ++j) visit(static_cast<int>(j));
  return order;
}

}  // namespace

bool ImportCharacter(const GltfCharacter& c, ClassDesc2* fernwickDesc, const ImportSettings& s,
                     ImportedCharacter& out, std::string& error) {
  Interface* ip = GetCOREInterface();
  out = ImportedCharacter();
  if (c.joints.empty()) {
    error = "the skin has no joints";
    return false;
  }
  TriObject* tri = CreateNewTriObject();
  BuildGltfMesh(c, tri->mesh);
  const std::string meshName = c.meshNode >= 0 && !c.nodes[c.meshNode].name.empty() ? c.nodes[c.meshNode].name : "mesh";
  // A skinned mesh follows its joints alone: its node sits at the origin.
  out.meshNode = ip->CreateObjectNode(tri, Utf8ToWide(meshName).c_str());

  // Bone nodes: bind pose at frame 0, the clip's poses from frame 1.
  std::vector<Matrix3> bind(c.joints.size());
  for (size_t j = 0; j < c.joints.size(); ++j) bind[j] = Inverse(c.joints[j].inverseBind);
  out.bones.resize(c.joints.size());
  const std::vector<int> order = ParentsFirst(c);
  for (int j : order) {
    TriObject* boneObj = CreateNewTriObject();
    BuildGltfJointBone(c, j, boneObj->mesh);
    INode* bone = ip->CreateObjectNode(boneObj, Utf8ToWide(c.joints[j].name).c_str());
    if (c.joints[j].parent >= 0) out.bones[c.joints[j].parent]->AttachChild(bone, FALSE);
    out.bones[j] = bone;
  }
  const int tpf = GetTicksPerFrame();
  ip->SetAnimateMode(s.animations.empty() ? FALSE : TRUE);
  for (int j : order) out.bones[j]->SetNodeTM(0, bind[j]);
  int next = 1;
  for (int index : s.animations) {
    if (index < 0 || index >= static_cast<int>(c.animations.size())) continue;
    const GltfAnimation& clip = c.animations[index];
    if (clip.frameCount <= 0) continue;
    ClipPlacement place{index, next, clip.frameCount};
    for (int f = 0; f < clip.frameCount; ++f) {
      const std::vector<Matrix3> world = GltfJointWorldAtFrame(c, clip, f);
      for (int j : order) out.bones[j]->SetNodeTM((place.first + f) * tpf, world[j]);
    }
    out.clips.push_back(place);
    out.lastFrame = place.last();
    next = place.last() + 2;
  }
  ip->SetAnimateMode(FALSE);
  ip->SetAnimRange(Interval(0, std::max(out.lastFrame, 1) * tpf));
  ip->SetTime(0);

  out.skin = static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
  if (!out.skin) {
    error = "the host has no Skin modifier";
    return false;
  }
  IDerivedObject* dobj = CreateDerivedObject(tri);
  out.meshNode->SetObjectRef(dobj);
  dobj->AddModifier(out.skin);
  auto* import = static_cast<ISkinImportData*>(out.skin->GetInterface(I_SKINIMPORTDATA));
  import->SetSkinInitTM(Matrix3());
  for (size_t j = 0; j < c.joints.size(); ++j) {
    import->AddBoneEx(out.bones[j], FALSE);
    import->SetBoneInitTM(out.bones[j], bind[j]);
  }
  import->SetNumPoints(out.meshNode, static_cast<int>(c.positions.size()));
  for (size_t v = 0; v < c.weights.size(); ++v) {
    Tab<INode*> bones;
    Tab<float> weights;
    for (auto [joint, w] : c.weights[v]) {
      bones.Append(out.bones[joint]);
      weights.Append(w);
    }
    import->AddWeights(out.meshNode, static_cast<int>(v), bones, weights);
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
  pb->SetValue(pb_startFrame, 0, out.clips.empty() ? 0 : out.clips.front().first);
  pb->SetValue(pb_endFrame, 0, out.clips.empty() ? 1 : out.clips.back().last());
  ip->SelectNode(out.meshNode, 1);
  return true;
}

bool SkinWeightsForExport(INode* meshNode, const GltfCharacter& c,
                          std::vector<std::vector<std::pair<int, float>>>& weights, std::string& error) {
  SkinAccess skin;
  if (!FindSkin(meshNode, skin) || !skin.context) {
    error = "the mesh node has no Skin with weights";
    return false;
  }
  if (skin.skin->GetNumBones() != static_cast<int>(c.joints.size())) {
    error = "the Skin has " + std::to_string(skin.skin->GetNumBones()) + " bones but the file's skin has " +
            std::to_string(c.joints.size()) + " joints";
    return false;
  }
  for (int b = 0; b < skin.skin->GetNumBones(); ++b)
    if (WideToUtf8(skin.skin->GetBone(b)->GetName()) != c.joints[b].name) {
      error = "Skin bone " + std::to_string(b) + " is \"" + WideToUtf8(skin.skin->GetBone(b)->GetName()) +
              "\" but joint " + std::to_string(b) + " is \"" + c.joints[b].name + "\"";
      return false;
    }
  const int n = skin.context->GetNumPoints();
  if (n != static_cast<int>(c.positions.size())) {
    error = "the Skin has " + std::to_string(n) + " vertices but the file's mesh welds to " +
            std::to_string(c.positions.size());
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
