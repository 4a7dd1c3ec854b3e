// The modifier object: construction, references, rollout opening and the
// reference-notification handler with its instancing guard.
#include "fernwick.h"

#include <algorithm>

#include "../sdk/derived_object.h"
#include "../sdk/instance_mgr.h"
#include "../sdk/message_box.h"
#include "../tools/fernwick_dlg_proc.h"
#include "../tools/node_ops.h"
#include "fernwick_class_desc.h"
#include "fernwick_params.h"
#include "fernwick_plugin.h"

namespace {
// Every part of the object, as the host's begin/end-edit messages carry it.
constexpr PartID kAllParts = 0x800037FF;

// Scene files and scripts can store any value; the spinners' ranges are what
// the deformer and the solve are built for (an iteration count of 2^31 would
// never finish), so reads keep to them. NaN reads as the low end. The solve's
// frame range is the exception: long clip sets are keyed past the spinners'
// ends by code, and the solve takes them as set.
const ParamDef* ClampedParamDef(ParamID id) {
  if (id == pb_startFrame || id == pb_endFrame) return nullptr;
  const ParamDef* def = fernwick_param_blk.GetParamDef(id);
  return def && def->has_range ? def : nullptr;
}
}  // namespace

Fernwick::Fernwick() { GetFernwickDesc()->MakeAutoParamBlocks(this); }

Fernwick::~Fernwick() = default;

void Fernwick::GetClassName(MSTR& s) {
  const MCHAR* name = GetString(IDS_CLASS_NAME);
  s = name ? name : L"";
}

const MCHAR* Fernwick::GetObjectName() { return GetString(IDS_CLASS_NAME); }

Animatable* Fernwick::SubAnim(int) { return pblock; }

MSTR Fernwick::SubAnimName(int) {
  const MCHAR* name = GetString(IDS_PARAMS);
  return name ? name : L"";
}

IParamBlock2* Fernwick::GetParamBlockByID(BlockID id) {
  return pblock && pblock->ID() == id ? pblock : nullptr;
}

RefTargetHandle Fernwick::GetReference(int i) { return i == 0 ? pblock : nullptr; }

void Fernwick::SetReference(int i, RefTargetHandle rtarg) {
  if (i == 0) pblock = static_cast<IParamBlock2*>(rtarg);
}

float Fernwick::GetFloatParam(ParamID id) {
  float v = 0.0f;
  Interval valid = FOREVER;
  if (pblock) pblock->GetValue(id, GetCOREInterface()->GetTime(), v, valid);
  if (const ParamDef* def = ClampedParamDef(id)) {
    if (!(v >= def->range_low.f)) v = def->range_low.f;
    if (v > def->range_high.f) v = def->range_high.f;
  }
  return v;
}

int Fernwick::GetIntParam(ParamID id) {
  int v = 0;
  Interval valid = FOREVER;
  if (pblock) pblock->GetValue(id, GetCOREInterface()->GetTime(), v, valid);
  if (const ParamDef* def = ClampedParamDef(id)) v = std::clamp(v, def->range_low.i, def->range_high.i);
  return v;
}

void Fernwick::BeginEditParams(Interface* ip, ULONG flags, Animatable* prev) {
  const TimeValue t = ip->GetTime();
  NotifyDependents(Interval(t, t), kAllParts, REFMSG_BEGIN_EDIT);
  NotifyDependents(Interval(t, t), kAllParts, REFMSG_MOD_DISPLAY_ON);
  SetAFlag(A_MOD_BEING_EDITED);
  GetFernwickDesc()->BeginEditParams(ip, this, flags, prev);
  fernwick_param_blk.SetUserDlgProc(new FernwickDlgProc(this));
}

void Fernwick::EndEditParams(Interface* ip, ULONG flags, Animatable* next) {
  GetFernwickDesc()->EndEditParams(ip, this, flags, next);
  const TimeValue t = ip->GetTime();
  ClearAFlag(A_MOD_BEING_EDITED);
  NotifyDependents(Interval(t, t), kAllParts, REFMSG_END_EDIT);
  NotifyDependents(Interval(t, t), kAllParts, REFMSG_MOD_DISPLAY_OFF);
}

void Fernwick::CollectModifiersByClass(INode* node, Class_ID cid, Tab<Modifier*>& mods, Tab<int>& positions) {
  mods.ZeroCount();
  positions.ZeroCount();
  if (!node) return;
  Object* obj = node->GetObjectRef();
  while (obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
    IDerivedObject* dobj = static_cast<IDerivedObject*>(obj);
    for (int k = 0; k < dobj->NumModifiers(); ++k) {
      Modifier* mod = dobj->GetModifier(k);
      if (mod && mod->ClassID() == cid) {
        positions.Append(k);
        mods.Append(mod);
      }
    }
    obj = dobj->GetObjRef();
  }
}

RefResult Fernwick::NotifyRefChanged(Interval /*changeInt*/, RefTargetHandle hTarget, PartID& /*partID*/,
                                     RefMessage message, BOOL /*propagate*/) {
  if (!restMesh) CaptureRestState();

  // One modifier shared by several nodes cannot keep one rest state for all.
  ModContextList mcList;
  INodeTab nodes;
  GetCOREInterface()->GetModContexts(mcList, nodes);
  if (nodes.Count() >= 2) {
    MessageBoxW(hWndRollout,
                L"Fernwick does not support modifier instancing. Each node should have an unique Fernwick modifier "
                L"applied.",
                L"Fernwick", MB_OK | MB_ICONEXCLAMATION);
    Tab<ReferenceTarget*> targets;
    targets.SetCount(nodes.Count());
    Modifier* shared = FindModifierByClass(nodes[0], FERNWICK_CLASS_ID);
    bool found = shared != nullptr;
    if (found) targets[0] = shared;
    for (int i = 1; found && i < nodes.Count(); ++i) {
      Tab<Modifier*> mods;
      Tab<int> positions;
      CollectModifiersByClass(nodes[i], FERNWICK_CLASS_ID, mods, positions);
      found = false;
      for (int k = 0; k < mods.Count(); ++k)
        if (mods[k] == shared) {
          targets[i] = mods[k];
          found = true;
          break;
        }
    }
    if (found) {
      IInstanceMgr* mgr = IInstanceMgr::GetInstanceMgr();
      if (mgr && mgr->CanMakeModifiersUnique(nodes, targets)) mgr->MakeModifiersUnique(nodes, targets, 1);
    }
  }

  if (message == REFMSG_TARGET_DELETED && hTarget == pblock) pblock = nullptr;
  return REF_SUCCEED;
}
