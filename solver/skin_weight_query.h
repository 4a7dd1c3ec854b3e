// Read access to the Skin's current weights, as the solver needs it.
#pragma once
#include "sdk/tab.h"

// Called from every solving thread at once: implementations must be safe for
// concurrent reads and must not throw.
class SkinWeightQuery {
 public:
  virtual ~SkinWeightQuery() = default;
  virtual int AssignedBoneCount(int vertex) const = 0;
  virtual int AssignedBone(int vertex, int slot) const = 0;  // Skin bone index
  virtual float AssignedWeight(int vertex, int slot) const = 0;
};

// Weights held in plain per-vertex lists. A vertex beyond the lists has no
// bones; a vertex's pair count is the shorter of its two lists.
class SkinWeightTable : public SkinWeightQuery {
 public:
  Tab<Tab<int>> bones;
  Tab<Tab<float>> weights;

  void SetVertexCount(int n);
  void Assign(int vertex, int bone, float weight);  // appends one pair

  int AssignedBoneCount(int vertex) const override;
  int AssignedBone(int vertex, int slot) const override;
  float AssignedWeight(int vertex, int slot) const override;
};
