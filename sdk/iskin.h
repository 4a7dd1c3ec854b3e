// Stand-in host: the Skin modifier's published interfaces. Plug-ins reach
// the Skin only through these: GetInterface(I_SKIN) and
// GetInterface(I_SKINIMPORTDATA) on the modifier, and
// ISkin::GetContextInterface(node) for the per-node weights.
#pragma once
#include "class_id.h"
#include "host_types.h"
#include "matrix3.h"
#include "tab.h"

class INode;

constexpr Class_ID SKIN_CLASSID(0x95C723, 0x15666);
constexpr ULONG I_SKIN = 0x10000;
constexpr ULONG I_SKINIMPORTDATA = 0x20000;

// Results of the init-transform queries.
constexpr int SKIN_OK = 0;
constexpr int SKIN_INVALID_NODE_PTR = 1;

// The weights of one skinned node: per vertex a list of (bone index, weight)
// pairs, bone indices into ISkin::GetBone. Every query only reads, so worker
// threads may call them concurrently while nobody writes the Skin.
class ISkinContextData {
 public:
  virtual int GetNumPoints() = 0;
  // 0 for a vertex outside the table.
  virtual int GetNumAssignedBones(int vertex) = 0;
  // -1 outside the table or the vertex's pairs.
  virtual int GetAssignedBone(int vertex, int slot) = 0;
  // 0 outside the table or the vertex's pairs.
  virtual float GetBoneWeight(int vertex, int slot) = 0;

 protected:
  ~ISkinContextData() = default;
};

class ISkin {
 public:
  virtual int GetNumBones() = 0;
  // nullptr outside 0 .. GetNumBones() - 1.
  virtual INode* GetBone(int idx) = 0;
  // The bone's world transform at binding time: its object TM (object offset
  // included) with isObjectTM, else its node TM.
  // SKIN_INVALID_NODE_PTR (tm untouched) for a node that is not a bone.
  virtual int GetBoneInitTM(INode* bone, Matrix3& tm, bool isObjectTM = false) = 0;
  // The skinned node's world transform at binding time;
  // SKIN_INVALID_NODE_PTR for a node the Skin is not on.
  virtual int GetSkinInitTM(INode* skinNode, Matrix3& tm, bool isObjectTM = false) = 0;
  // The weights of a node whose stack holds this Skin, else nullptr.
  virtual ISkinContextData* GetContextInterface(INode* node) = 0;

 protected:
  ~ISkin() = default;
};

// Writing bones, weights and bindings, for plug-ins and importers.
class ISkinImportData {
 public:
  // Appends bone at the end of the bone list, bound at its world transform
  // at the current time. FALSE (nothing changes) for nullptr, a bone
  // already in the list or the skinned node itself. update sends a change
  // notice.
  virtual BOOL AddBoneEx(INode* bone, BOOL update) = 0;
  // The vertex's pairs become exactly these, in this order; entries whose
  // node is not a bone are left out. Weights are stored as given (the Skin
  // normalises when it deforms). FALSE for another node, a negative vertex,
  // lists of different lengths, or a vertex beyond a table already sized to
  // the mesh.
  virtual BOOL AddWeights(INode* skinNode, int vertex, Tab<INode*>& bones, Tab<float>& weights) = 0;
  // Binding transforms set directly instead of taken from the scene.
  virtual BOOL SetBoneInitTM(INode* bone, const Matrix3& tm) = 0;
  virtual BOOL SetSkinInitTM(const Matrix3& tm) = 0;
  // Sizes the weight table for the node's mesh (new vertices get no pairs;
  // those beyond the count are dropped), so the first evaluation keeps it.
  virtual BOOL SetNumPoints(INode* skinNode, int count) = 0;

 protected:
  ~ISkinImportData() = default;
};
