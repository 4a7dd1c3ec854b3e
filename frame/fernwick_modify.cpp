// Evaluation entry and the deformer operations on the modifier's rest state.
#include "../deformer/deform.h"
#include "../deformer/rest_capture.h"
#include "../sdk/poly_object.h"
#include "../sdk/tri_object.h"
#include "../tools/node_ops.h"
#include "fernwick.h"

namespace {

DeltaMushParams ReadDeformParams(Fernwick& mod) {
  DeltaMushParams p;
  p.weight = mod.GetFloatParam(pb_weight);
  p.iter = mod.GetIntParam(pb_iter);
  p.displace = mod.GetFloatParam(pb_displace);
  p.showState = mod.GetIntParam(pb_showState) != 0;
  p.boundFixed = mod.GetIntParam(pb_boundFixed) != 0;
  p.vertSel = mod.GetIntParam(pb_vertSel) != 0;
  p.vertCol = mod.GetIntParam(pb_vertCol) != 0;
  return p;
}

}  // namespace

void Fernwick::ModifyObject(TimeValue /*t*/, ModContext& /*mc*/, ObjectState* os, INode* /*node*/) {
  if (!restMesh) return;
  // Parameters follow the time slider, not the evaluation time.
  const float weight = GetFloatParam(pb_weight);
  const int iter = GetIntParam(pb_iter);
  if (weight != cachedWeight) {
    PrecomputeRest();
    cachedWeight = weight;
  }
  if (iter != cachedIter) {
    PrecomputeRest();
    cachedIter = iter;
  }
  if (!os || !os->obj) return;
  if (os->obj->IsSubClassOf(triObjectClassID))
    DeformTriMesh(static_cast<TriObject*>(os->obj));
  else if (os->obj->IsSubClassOf(polyObjectClassID))
    DeformPolyMesh(static_cast<PolyObject*>(os->obj));
}

void Fernwick::DeformTriMesh(TriObject* obj) { ::DeformTriMesh(*this, obj->GetMesh(), ReadDeformParams(*this)); }

void Fernwick::DeformPolyMesh(PolyObject* obj) { ::DeformPolyMesh(*this, obj->GetMesh(), ReadDeformParams(*this)); }

void Fernwick::PrecomputeRest() { ::PrecomputeRest(*this, GetFloatParam(pb_weight), GetIntParam(pb_iter)); }

void Fernwick::BuildFixedVerts() { ::BuildFixedVerts(*this, GetIntParam(pb_boundFixed) != 0); }

void Fernwick::CaptureRestState() {
  INode* node = FindNodeForModifier(this);
  if (!node) return;
  const TimeValue t = GetCOREInterface()->GetTime();
  int needDelete = 0;
  if (TriObject* tri = GetNodeTriObject(node, t, &needDelete)) {
    ::CaptureRestState(*this, tri->GetMesh(), GetFloatParam(pb_weight), GetIntParam(pb_iter),
                       GetIntParam(pb_boundFixed) != 0);
    if (needDelete) tri->DeleteMe();
  }
  RefreshRollout();
  NotifyDependents(FOREVER, PART_TOPO, REFMSG_CHANGE);
}
