// The host's Skin modifier as the plug-in reaches it: found on a node's stack,
// then used only through its published interfaces.
#pragma once
#include "../sdk/inode.h"
#include "../sdk/iskin.h"
#include "../sdk/modifier.h"
#include "../solver/skin_weight_query.h"

struct SkinAccess {
  Modifier* mod = nullptr;
  ISkin* skin = nullptr;
  ISkinImportData* importData = nullptr;
  ISkinContextData* context = nullptr;  // of the node; may be missing
};

// The first Skin modifier on node's stack and its interfaces; false when there
// is none. position: its stack position, when given.
bool FindSkin(INode* node, SkinAccess& out, int* position = nullptr);

// A node's Skin weights as the solver reads them, from every solving thread:
// the Skin's context data answers reads only.
class SkinContextWeights : public SkinWeightQuery {
 public:
  explicit SkinContextWeights(ISkinContextData* c) : c_(c) {}
  int AssignedBoneCount(int v) const override { return c_->GetNumAssignedBones(v); }
  int AssignedBone(int v, int slot) const override { return c_->GetAssignedBone(v, slot); }
  float AssignedWeight(int v, int slot) const override { return c_->GetBoneWeight(v, slot); }

 private:
  ISkinContextData* c_;
};
