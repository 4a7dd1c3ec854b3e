#include "cli/commands/host_deform.h"

#include "cli/terminal_host/plugin_host.h"
#include "frame/fernwick_ids.h"
#include "sdk/class_desc.h"
#include "sdk/derived_object.h"
#include "sdk/interface.h"
#include "sdk/param_block.h"
#include "sdk/poly_object.h"
#include "sdk/tri_object.h"

namespace {

Object* MakeObject(const MNMesh& mesh, bool usePoly) {
  if (usePoly) {
    PolyObject* poly = new PolyObject;
    poly->mm = mesh;
    return poly;
  }
  TriObject* tri = CreateNewTriObject();
  mesh.OutToTri(tri->mesh);
  return tri;
}

void SetPositions(Object* obj, const MNMesh& posed, bool usePoly) {
  if (usePoly) {
    MNMesh& mm = static_cast<PolyObject*>(obj)->mm;
    for (int i = 0; i < mm.numv; ++i) mm.P(i) = posed.P(i);
  } else {
    Mesh& m = static_cast<TriObject*>(obj)->mesh;
    for (int i = 0; i < m.numVerts; ++i) m.verts[i] = posed.P(i);
  }
  obj->NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
}

}  // namespace

bool DeformThroughHost(ClassDesc2* desc, const MNMesh& rest, const MNMesh& posed, const DeltaMushParams& params,
                       bool usePoly, std::vector<Point3>& out, std::string& error) {
  Interface* ip = GetCOREInterface();
  Object* base = MakeObject(rest, usePoly);
  INode* node = ip->CreateObjectNode(base, L"fernwick deform");
  Modifier* mod = CreateFernwick(desc);
  if (!mod) {
    error = "the plug-in made no modifier";
    ip->DeleteNode(node);
    return false;
  }
  IDerivedObject* dobj = CreateDerivedObject(base);
  node->SetObjectRef(dobj);
  dobj->AddModifier(mod);

  // The first change of a parameter captures the rest state, as in the host.
  IParamBlock2* pb = mod->GetParamBlock(0);
  pb->SetValue(pb_weight, 0, params.weight);
  pb->SetValue(pb_iter, 0, params.iter);
  pb->SetValue(pb_displace, 0, params.displace);
  pb->SetValue(pb_boundFixed, 0, params.boundFixed ? 1 : 0);
  pb->SetValue(pb_vertSel, 0, params.vertSel ? 1 : 0);
  pb->SetValue(pb_vertCol, 0, params.vertCol ? 1 : 0);
  pb->SetValue(pb_showState, 0, params.showState ? 1 : 0);

  SetPositions(base, posed, usePoly);
  Object* result = node->EvalWorldState(ip->GetTime()).obj;
  out.clear();
  if (result && result->IsSubClassOf(polyObjectClassID)) {
    const MNMesh& mm = static_cast<PolyObject*>(result)->mm;
    for (int i = 0; i < mm.numv; ++i) out.push_back(mm.P(i));
  } else if (result && result->IsSubClassOf(triObjectClassID)) {
    out = static_cast<TriObject*>(result)->mesh.verts;
  }
  ip->DeleteNode(node);
  if (out.size() != static_cast<size_t>(posed.numv)) {
    error = "the evaluated mesh lost vertices";
    return false;
  }
  return true;
}
