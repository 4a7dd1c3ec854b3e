// Stand-in host: the Skin modifier. It deforms its node's mesh by linear
// blend skinning (skin_deform.h) from the world transforms of its bones.
//
// Bones are scene nodes held as references 0 .. n-1, so the host's
// reference machinery keeps them and the scene file stores them; a bone
// node that is deleted leaves the list, later bones move up one index and
// the weights on it are dropped. Binding: a bone added with AddBoneEx is
// bound at its world transform at the current time, the skinned node at its
// world transform the first time the Skin meets it; importers may set both.
//
// One weight table serves the Skin: it is sized to the vertex count of the
// mesh as it first arrives at the Skin (or by SetNumPoints) and keeps that
// size; vertices beyond it pass unchanged. Before that, AddWeights grows it.
// A Skin instanced on several nodes shares the one table between them.
#pragma once
#include <vector>

#include "iskin.h"
#include "modifier.h"
#include "skin_weight_table.h"

class ClassDesc;

class SkinMod : public Modifier, public ISkin, public ISkinImportData {
 public:
  SkinMod() = default;

  // Animatable / ReferenceMaker.
  void GetClassName(MSTR& s) override { s = L"Skin"; }
  Class_ID ClassID() override { return SKIN_CLASSID; }
  const MCHAR* GetObjectName() override { return L"Skin"; }
  void* GetInterface(ULONG id) override;
  int NumRefs() override { return static_cast<int>(bones_.size()); }
  RefTargetHandle GetReference(int i) override;
  // Clearing a slot removes the bone from the list.
  void SetReference(int i, RefTargetHandle rtarg) override;
  RefResult NotifyRefChanged(Interval changeInt, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                             BOOL propagate) override;
  // Bones stay the same nodes; weights and bindings are copied.
  RefTargetHandle Clone(RemapDir& remap) override;
  // The bone count, bindings, weights, name and enabled state; the bones
  // themselves are references, stored by the scene file. Load leaves that
  // many empty reference slots for the loader to fill.
  IOResult Save(ISave* isave) override;
  IOResult Load(ILoad* iload) override;

  // Modifier. Bones move without telling the stack, so never valid.
  void ModifyObject(TimeValue t, ModContext& mc, ObjectState* os, INode* node) override;
  Interval LocalValidity(TimeValue t) override { (void)t; return NEVER; }

  // ISkin.
  int GetNumBones() override { return NumRefs(); }
  INode* GetBone(int idx) override;
  int GetBoneInitTM(INode* bone, Matrix3& tm, bool isObjectTM = false) override;
  int GetSkinInitTM(INode* skinNode, Matrix3& tm, bool isObjectTM = false) override;
  ISkinContextData* GetContextInterface(INode* node) override;

  // ISkinImportData.
  BOOL AddBoneEx(INode* bone, BOOL update) override;
  BOOL AddWeights(INode* skinNode, int vertex, Tab<INode*>& bones, Tab<float>& weights) override;
  BOOL SetBoneInitTM(INode* bone, const Matrix3& tm) override;
  BOOL SetSkinInitTM(const Matrix3& tm) override;
  BOOL SetNumPoints(INode* skinNode, int count) override;

  // Host side.
  int BoneIndex(INode* bone) const;
  // Whether node's stack holds this Skin.
  bool IsOnNode(INode* node);
  const SkinWeightTable& Weights() const { return weights_; }

 private:
  class Context : public ISkinContextData {
   public:
    explicit Context(const SkinWeightTable& t) : table_(t) {}
    int GetNumPoints() override { return table_.NumPoints(); }
    int GetNumAssignedBones(int vertex) override;
    int GetAssignedBone(int vertex, int slot) override;
    float GetBoneWeight(int vertex, int slot) override;

   private:
    const SkinWeightTable& table_;
  };

  // The first scene node whose stack holds this Skin, or nullptr.
  INode* FindNode();
  // Takes the skinned node's binding the first time it is met.
  void MeetNode(INode* node);
  void RemoveBone(int index);

  std::vector<INode*> bones_;       // reference slots
  std::vector<Matrix3> boneInit_;   // parallel to bones_
  Matrix3 skinInit_;
  bool skinInitSet_ = false;
  SkinWeightTable weights_;
  Context context_{weights_};
};

// The Skin's class descriptor, registered with the plug-in manager when the
// host library loads.
ClassDesc* GetSkinModDesc();
