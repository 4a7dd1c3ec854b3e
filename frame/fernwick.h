// The Fernwick modifier: Delta Mush deformation of the mesh below it, with the
// rest state it captured, and the rig tools' state.
#pragma once
#include "../deformer/rest_state.h"
#include "../sdk/chunk_io.h"
#include "../sdk/inode.h"
#include "../sdk/interface.h"
#include "../sdk/modifier.h"
#include "../sdk/param_block.h"
#include "../sdk/tab.h"
#include "fernwick_ids.h"

class TriObject;
class PolyObject;

// The rest state's members (restMesh, smoothedRest, neighbors, fixedVerts,
// workPos, inputPos, cachedIter, cachedWeight, colorMap, colorMapKey,
// colorMapFromTri) come from RestState.
class Fernwick : public Modifier, public RestState {
 public:
  HWND hWndRollout = nullptr;
  bool proxyCreated = false;
  Tab<Tab<int>> undoBoneIndices;   // per vertex, before the last solve
  Tab<Tab<float>> undoWeights;     // per vertex, before the last solve
  IParamBlock2* pblock = nullptr;  // reference 0

  Fernwick();
  ~Fernwick() override;

  // Host callbacks.
  void DeleteThis() override { delete this; }
  void GetClassName(MSTR& s) override;
  SClass_ID SuperClassID() override { return OSM_CLASS_ID; }
  Class_ID ClassID() override { return FERNWICK_CLASS_ID; }
  void BeginEditParams(Interface* ip, ULONG flags, Animatable* prev) override;
  void EndEditParams(Interface* ip, ULONG flags, Animatable* next) override;
  int NumSubs() override { return 1; }
  Animatable* SubAnim(int) override;
  MSTR SubAnimName(int) override;
  int NumParamBlocks() override { return 1; }
  IParamBlock2* GetParamBlock(int) override { return pblock; }
  IParamBlock2* GetParamBlockByID(BlockID id) override;
  int NumRefs() override { return 1; }
  RefTargetHandle GetReference(int i) override;
  void SetReference(int i, RefTargetHandle rtarg) override;
  IOResult Save(ISave* isave) override;
  IOResult Load(ILoad* iload) override;
  RefResult NotifyRefChanged(Interval changeInt, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                             BOOL propagate) override;
  RefTargetHandle Clone(RemapDir& remap) override;
  const MCHAR* GetObjectName() override;
  BOOL HasUVW() override { return TRUE; }
  void SetGenUVW(BOOL) override {}
  Interval LocalValidity(TimeValue) override { return NEVER; }
  ChannelMask ChannelsUsed() override {
    return TOPO_CHANNEL | GEOM_CHANNEL | TEXMAP_CHANNEL | SELECT_CHANNEL | SUBSEL_TYPE_CHANNEL | VERTCOLOR_CHANNEL;
  }
  ChannelMask ChannelsChanged() override { return GEOM_CHANNEL; }
  Class_ID InputType() override { return defObjectClassID; }
  void ModifyObject(TimeValue t, ModContext& mc, ObjectState* os, INode* node) override;

  // Deformer operations on this modifier's rest state, with the parameters
  // read at the host's current time.
  void CaptureRestState();
  void PrecomputeRest();
  void BuildFixedVerts();
  void DeformTriMesh(TriObject* obj);
  void DeformPolyMesh(PolyObject* obj);
  // Brings the rollout's texts and enabled states up to date.
  void RefreshRollout();

  // Every modifier of class cid on node's stack, with its position within
  // its own derived object.
  void CollectModifiersByClass(INode* node, Class_ID cid, Tab<Modifier*>& mods, Tab<int>& positions);

  // Parameter values at the host's current time.
  float GetFloatParam(ParamID id);
  int GetIntParam(ParamID id);
};
