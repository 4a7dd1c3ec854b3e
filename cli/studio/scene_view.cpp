#include "cli/studio/scene_view.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include "cli/studio/vertex_normals.h"
#include "frame/fernwick_ids.h"
#include "sdk/derived_object.h"
#include "sdk/iskin.h"
#include "sdk/param_map.h"
#include "sdk/rollout.h"
#include "sdk/utf8.h"
#include "sdk/window.h"
#include "tools/node_ops.h"

namespace {

std::string Narrow(const std::wstring& s) { return WideToUtf8(s); }

std::string ClassName(Animatable* a) {
  MSTR name;
  a->GetClassName(name);
  return Narrow(name);
}


bool HasMesh(INode* node) {
  Object* base = StackBase(node);
  return base && base->CanConvertToType(triObjectClassID);
}

// Positions of a mesh in world space, 3 floats per vertex.
void WorldPositions(const Mesh& mesh, const Matrix3& tm, std::vector<float>& out) {
  out.resize(static_cast<size_t>(mesh.numVerts) * 3);
  for (int v = 0; v < mesh.numVerts; ++v) {
    const Point3 p = tm.PointTransform(mesh.verts[v]);
    out[3 * v] = p.x;
    out[3 * v + 1] = p.y;
    out[3 * v + 2] = p.z;
  }
}

// A three-line cross of half-size `size` at p: the shape of a bone without a mesh.
void AddCross(const Point3& p, float size, std::vector<float>& positions, std::vector<std::uint32_t>& edges) {
  const std::uint32_t first = static_cast<std::uint32_t>(positions.size() / 3);
  for (int axis = 0; axis < 3; ++axis)
    for (float sign : {-1.0f, 1.0f}) {
      Point3 q = p;
      (axis == 0 ? q.x : axis == 1 ? q.y : q.z) += sign * size;
      positions.insert(positions.end(), {q.x, q.y, q.z});
    }
  for (std::uint32_t k = 0; k < 3; ++k) edges.insert(edges.end(), {first + 2 * k, first + 2 * k + 1});
}

// The bones of the node's topmost Skin: each bone's mesh as its edges, or a
// cross for a bone without one.
void BoneShapes(INode* node, TimeValue t, float crossSize, std::vector<float>& positions,
                std::vector<std::uint32_t>& edges) {
  Modifier* skinMod = FindModifierByClass(node, SKIN_CLASSID);
  auto* skin = skinMod ? static_cast<ISkin*>(skinMod->GetInterface(I_SKIN)) : nullptr;
  if (!skin) return;
  for (int b = 0; b < skin->GetNumBones(); ++b) {
    INode* bone = skin->GetBone(b);
    if (!bone) continue;
    int needDelete = 0;
    TriObject* tri = GetNodeTriObject(bone, t, &needDelete);
    if (!tri || tri->GetMesh().numVerts == 0) {
      AddCross(bone->GetNodeTM(t).GetTrans(), crossSize, positions, edges);
    } else {
      const Mesh& mesh = tri->GetMesh();
      const std::uint32_t first = static_cast<std::uint32_t>(positions.size() / 3);
      std::vector<float> world;
      WorldPositions(mesh, bone->GetObjectTM(t), world);
      positions.insert(positions.end(), world.begin(), world.end());
      std::set<std::pair<DWORD, DWORD>> seen;
      for (const Face& f : mesh.faces)
        for (int k = 0; k < 3; ++k) {
          const DWORD a = std::min(f.v[k], f.v[(k + 1) % 3]), c = std::max(f.v[k], f.v[(k + 1) % 3]);
          if (c >= static_cast<DWORD>(mesh.numVerts) || !seen.insert({a, c}).second) continue;
          edges.insert(edges.end(), {first + a, first + c});
        }
    }
    if (needDelete) tri->DeleteMe();
  }
}

}  // namespace

nlohmann::json DescribeNodes(Interface* ip) {
  std::vector<INode*> nodes;
  ip->EnumNodes(nodes);
  nlohmann::json out = nlohmann::json::array();
  for (INode* n : nodes) {
    INode* parent = n->GetParentNode();
    int depth = 0;
    for (INode* p = parent; p && !p->IsRootNode(); p = p->GetParentNode()) ++depth;
    bool selected = false;
    for (int i = 0; i < ip->GetSelNodeCount(); ++i) selected = selected || ip->GetSelNode(i) == n;
    out.push_back({{"handle", n->GetHandle()},
                   {"name", Narrow(n->GetName())},
                   {"parent", parent && !parent->IsRootNode() ? parent->GetHandle() : 0},
                   {"depth", depth},
                   {"hasMesh", HasMesh(n)},
                   {"hidden", n->IsHidden() != FALSE},
                   {"selected", selected}});
  }
  return out;
}

nlohmann::json DescribeStack(INode* node, Modifier* panelModifier) {
  nlohmann::json out = {{"modifiers", nlohmann::json::array()}, {"base", nullptr}};
  if (!node) return out;
  ForEachModifier(node, [&](Modifier* m, int position) {
    out["modifiers"].push_back({{"position", position},
                                {"name", Narrow(m->GetName())},
                                {"className", ClassName(m)},
                                {"enabled", m->IsEnabled() != FALSE},
                                {"fernwick", m->ClassID() == FERNWICK_CLASS_ID},
                                {"open", m == panelModifier}});
    return true;
  });
  if (Object* base = StackBase(node)) out["base"] = ClassName(base);
  return out;
}

nlohmann::json DescribePanel() {
  nlohmann::json rollouts = nlohmann::json::array();
  const std::vector<RolloutInfo> open = GetOpenRollouts();
  for (size_t i = 0; i < open.size(); ++i) {
    HWND r = open[i].hWnd;
    nlohmann::json controls = nlohmann::json::array();
    for (HWND c : r->children) {
      nlohmann::json control = {{"id", c->id},
                                {"kind", ControlKindName(c->kind)},
                                {"text", Narrow(GetWindowTextString(c))},  // bound controls come up to date
                                {"enabled", IsWindowEnabled(c) != FALSE},
                                {"checked", c->checked},
                                {"checkButton", c->checkButton},
                                {"x", c->x},
                                {"y", c->y},
                                {"cx", c->cx},
                                {"cy", c->cy}};
      if (const ParamDef* d = open[i].map->FindParamForControl(c->id)) {
        control["param"] = Narrow(d->int_name ? d->int_name : L"");
        if (d->ctrl_type == TYPE_SPINNER) {
          control["integer"] = d->edit_type == EDITTYPE_INT;
          if (d->has_range) {
            const bool whole = d->type != TYPE_FLOAT;
            control["min"] = whole ? double(d->range_low.i) : double(d->range_low.f);
            control["max"] = whole ? double(d->range_high.i) : double(d->range_high.f);
          }
        }
      }
      controls.push_back(std::move(control));
    }
    rollouts.push_back({{"index", i},
                        {"title", Narrow(open[i].title)},
                        {"open", open[i].open},
                        {"enabled", IsWindowEnabled(r) != FALSE},
                        {"width", r->cx},
                        {"height", r->cy},
                        {"templateError", open[i].map->GetTemplateError()},
                        {"controls", std::move(controls)}});
  }
  return rollouts;
}

nlohmann::json DescribeTime(Interface* ip) {
  const int tpf = GetTicksPerFrame();
  const Interval range = ip->GetAnimRange();
  return {{"frame", ip->GetTime() / tpf},
          {"start", range.Start() / tpf},
          {"end", range.End() / tpf},
          {"fps", ip->GetFrameRate()}};
}

INode* NodeByHandle(Interface* ip, ULONG handle) {
  if (handle == 0) return nullptr;
  return ip->GetINodeByHandle(handle);
}

Modifier* ModifierAt(INode* node, int position) {
  Modifier* found = nullptr;
  if (node && position >= 0)
    ForEachModifier(node, [&](Modifier* m, int p) {
      if (p == position) found = m;
      return !found;
    });
  return found;
}

bool EvaluateNodeView(INode* node, TimeValue t, MeshTopology& topology, MeshFrame& frame) {
  // Without a mesh: an empty topology and frame that belong together.
  topology = MeshTopology();
  topology.key = TopologyKey(topology);
  frame.key = topology.key;
  frame.hasFernwick = false;
  frame.fernwickOn = false;
  frame.normals.clear();
  frame.positions.clear();
  frame.displacement.clear();
  frame.bonePositions.clear();
  frame.frame = t / GetTicksPerFrame();
  int needDelete = 0;
  TriObject* result = GetNodeTriObject(node, t, &needDelete);
  if (!result) return false;
  const Matrix3 tm = node->GetObjectTM(t);
  {
    // The result may belong to the stack's cache: taken before the stack runs again.
    const Mesh& mesh = result->GetMesh();
    WorldPositions(mesh, tm, frame.positions);
    topology.vertexCount = static_cast<std::uint32_t>(mesh.numVerts);
    topology.triangles.reserve(static_cast<size_t>(mesh.numFaces) * 3);
    for (const Face& f : mesh.faces) {
      if (f.v[0] >= topology.vertexCount || f.v[1] >= topology.vertexCount || f.v[2] >= topology.vertexCount) continue;
      topology.triangles.insert(topology.triangles.end(), {f.v[0], f.v[1], f.v[2]});
    }
    if (needDelete) result->DeleteMe();
  }
  frame.displacement.assign(topology.vertexCount, 0.0f);
  int position = -1;
  Modifier* fernwick = FindModifierByClass(node, FERNWICK_CLASS_ID, &position);
  frame.hasFernwick = fernwick != nullptr;
  frame.fernwickOn = fernwick && fernwick->IsEnabled();
  if (fernwick) {
    // Switched on, the result is Delta Mush and its input linear skinning;
    // switched off (as a solve leaves it), the result is linear skinning and
    // Delta Mush is the stack with it on.
    int otherDelete = 0;
    TriObject* other = nullptr;
    if (frame.fernwickOn) {
      other = EvalStackTriObject(node, t, position + 1, otherDelete);
    } else {
      fernwick->EnableMod();
      other = GetNodeTriObject(node, t, &otherDelete);
    }
    if (other) {
      const Mesh& in = other->GetMesh();
      if (static_cast<std::uint32_t>(in.numVerts) == topology.vertexCount)
        for (std::uint32_t v = 0; v < topology.vertexCount; ++v) {
          const Point3 p = tm.PointTransform(in.verts[v]);
          const float dx = frame.positions[3 * v] - p.x, dy = frame.positions[3 * v + 1] - p.y,
                      dz = frame.positions[3 * v + 2] - p.z;
          frame.displacement[v] = std::sqrt(dx * dx + dy * dy + dz * dz);
        }
      if (otherDelete) other->DeleteMe();
    }
    if (!frame.fernwickOn) fernwick->DisableMod();
  }
  QuantizedVertexNormals(frame.positions, topology.triangles, frame.normals);
  // Bones without a mesh show as crosses a fiftieth of the mesh's size.
  float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
  for (std::uint32_t v = 0; v < topology.vertexCount; ++v)
    for (int k = 0; k < 3; ++k) {
      const float c = frame.positions[3 * v + k];
      lo[k] = v == 0 ? c : std::min(lo[k], c);
      hi[k] = v == 0 ? c : std::max(hi[k], c);
    }
  const float size = std::max(1e-3f, std::hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]) / 50.0f);
  BoneShapes(node, t, size, frame.bonePositions, topology.boneEdges);
  topology.boneVertexCount = static_cast<std::uint32_t>(frame.bonePositions.size() / 3);
  topology.key = TopologyKey(topology);
  frame.key = topology.key;
  return true;
}
