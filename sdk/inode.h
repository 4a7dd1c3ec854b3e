// Stand-in host: scene nodes. The scene (Interface) creates and deletes
// them; a node references its object (reference 0), and that object chain
// goes with the node when nothing else references it.
//
// A node's local transform is scale, then rotation, then translation, each a
// KeyTrack; the node TM is the local transform followed by the parent's node
// TM. The object TM is the node's object offset (identity unless set; not
// animated, not stored by scene files) followed by the node TM.
#pragma once
#include <vector>

#include "key_track.h"
#include "matrix3.h"
#include "object.h"
#include "quat.h"
#include "tab.h"

class Interface;

class INode : public ReferenceTarget {
 public:
  SClass_ID SuperClassID() override { return BASENODE_CLASS_ID; }
  Class_ID ClassID() override { return nodeClassID; }
  void GetClassName(MSTR& s) override { s = L"Node"; }

  const MCHAR* GetName() { return name_.c_str(); }
  void SetName(const MCHAR* s) { name_ = s ? s : L""; }
  ULONG GetHandle() { return handle_; }

  INode* GetParentNode() { return parent_; }
  int NumberOfChildren() { return static_cast<int>(children_.size()); }
  INode* GetChildNode(int i) { return i >= 0 && i < NumberOfChildren() ? children_[i] : nullptr; }
  // Makes child a child of this node; with keepTM its world transform at the
  // current time stays as it was.
  void AttachChild(INode* child, int keepTM = 1);
  BOOL IsRootNode() { return parent_ == nullptr ? TRUE : FALSE; }

  DWORD GetWireColor() { return wireColor_; }
  void SetWireColor(DWORD rgb) { wireColor_ = rgb; }
  BOOL IsHidden() { return hidden_ ? TRUE : FALSE; }
  void Hide(BOOL onOff) { hidden_ = onOff != FALSE; }

  Object* GetObjectRef() { return object_; }
  // The previous object is deleted when nothing else references it.
  void SetObjectRef(Object* o) { ReplaceReference(0, o, TRUE); }
  // The object evaluated at t: its whole stack for a derived object, the
  // object itself for a plain one; empty for a hidden node unless evalHidden.
  const ObjectState& EvalWorldState(TimeValue t, BOOL evalHidden = TRUE);

  Matrix3 GetNodeTM(TimeValue t, Interval* valid = nullptr);
  Matrix3 GetObjectTM(TimeValue t, Interval* valid = nullptr) {
    return hasObjectOffset_ ? objectOffset_ * GetNodeTM(t, valid) : GetNodeTM(t, valid);
  }
  // Where the object sits relative to the node's pivot; children do not
  // inherit it.
  Matrix3 GetObjectOffsetTM() { return objectOffset_; }
  void SetObjectOffsetTM(const Matrix3& tm) {
    objectOffset_ = tm;
    hasObjectOffset_ = true;
  }
  Matrix3 GetParentTM(TimeValue t);
  // With animate mode on, keys the transform at t. Otherwise a track without
  // keys takes the new value for all times, and a keyed track has all its
  // keys moved by the change at t.
  void SetNodeTM(TimeValue t, const Matrix3& tm);

  KeyTrack<Point3>& PositionTrack() { return pos_; }
  KeyTrack<Quat>& RotationTrack() { return rot_; }
  KeyTrack<Point3>& ScaleTrack() { return scale_; }
  Matrix3 GetLocalTM(TimeValue t);

  int NumRefs() override { return 1; }
  RefTargetHandle GetReference(int i) override { return i == 0 ? object_ : nullptr; }
  void SetReference(int i, RefTargetHandle r) override {
    if (i == 0) object_ = dynamic_cast<Object*>(r);
  }

 private:
  friend class Interface;
  friend class SceneFileAccess;  // scene loading makes nodes with their saved handles
  explicit INode(ULONG handle);
  void SetLocal(TimeValue t, const Matrix3& local, bool animate);
  void RemoveChild(INode* child);

  MSTR name_;
  ULONG handle_;
  INode* parent_ = nullptr;
  std::vector<INode*> children_;
  DWORD wireColor_ = 0x00808080;
  Matrix3 objectOffset_;
  bool hasObjectOffset_ = false;
  bool hidden_ = false;
  Object* object_ = nullptr;
  ObjectState ws_;
  KeyTrack<Point3> pos_{Point3(0, 0, 0)};
  KeyTrack<Quat> rot_{Quat()};
  KeyTrack<Point3> scale_{Point3(1, 1, 1)};
};

class INodeTab : public Tab<INode*> {};
