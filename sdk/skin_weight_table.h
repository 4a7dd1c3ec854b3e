// Stand-in host: the Skin's per-vertex weights, a list of (bone index,
// weight) pairs per vertex of the skinned mesh.
#pragma once
#include <vector>

#include "ref_messages.h"

class ISave;
class ILoad;

struct SkinWeight {
  int bone = -1;
  float weight = 0.0f;
};

class SkinWeightTable {
 public:
  int NumPoints() const { return static_cast<int>(verts_.size()); }
  // New vertices get no pairs; those beyond n are dropped. Marks the table
  // as sized for its mesh.
  void SetNumPoints(int n);
  // Whether the size was set for a mesh (evaluation or importer) rather
  // than grown by writes.
  bool IsSized() const { return sized_; }

  // Pairs of a vertex in stored order; empty outside the table.
  const std::vector<SkinWeight>& Pairs(int vertex) const;
  // Replaces the vertex's pairs, growing an unsized table to reach it.
  // False for a negative vertex or one beyond a sized table.
  bool SetPairs(int vertex, std::vector<SkinWeight> pairs);

  // Bone `index` left the bone list: its pairs go and later indices move
  // down one.
  void RemoveBone(int index);
  // True when some pair names a bone outside 0 .. boneCount - 1.
  bool RefersBeyond(int boneCount) const;

  void Clear();
  IOResult Save(ISave* isave) const;  // into the open chunk
  IOResult Load(ILoad* iload);        // from the open chunk

 private:
  std::vector<std::vector<SkinWeight>> verts_;
  bool sized_ = false;
};
