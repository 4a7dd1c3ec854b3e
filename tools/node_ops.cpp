#include "node_ops.h"

#include "../sdk/derived_object.h"

namespace {

INode* FindNodeIn(ReferenceTarget* target) {
  DependentIterator it(target);
  while (ReferenceMaker* dep = it.Next()) {
    if (dep->SuperClassID() == BASENODE_CLASS_ID) return static_cast<INode*>(dep);
    if (dep->IsRefTarget())
      if (INode* n = FindNodeIn(static_cast<ReferenceTarget*>(dep))) return n;
  }
  return nullptr;
}

// The node's derived object, made when the node has none yet.
IDerivedObject* WrapInDerivedObject(INode* node) {
  Object* obj = node->GetObjectRef();
  if (obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID) return static_cast<IDerivedObject*>(obj);
  IDerivedObject* dobj = CreateDerivedObject();
  if (obj) {
    obj->TransferReferences(dobj);
    dobj->ReferenceObject(obj);
  } else {
    node->SetObjectRef(dobj);
  }
  return dobj;
}

}  // namespace

INode* FindNodeForModifier(ReferenceTarget* mod) { return mod ? FindNodeIn(mod) : nullptr; }

Modifier* FindModifierByClass(INode* node, Class_ID cid, int* position) {
  if (!node) return nullptr;
  Object* obj = node->GetObjectRef();
  if (!obj || obj->SuperClassID() != GEN_DERIVOB_CLASS_ID) return nullptr;
  int counter = 0;
  IDerivedObject* dobj = static_cast<IDerivedObject*>(obj);
  while (dobj) {
    for (int i = 0; i < dobj->NumModifiers(); ++i) {
      Modifier* mod = dobj->GetModifier(i);
      if (mod && mod->ClassID() == cid) {
        if (position) *position = counter;
        return mod;
      }
      ++counter;
    }
    Object* base = dobj->GetObjRef();
    dobj = base && base->SuperClassID() == GEN_DERIVOB_CLASS_ID ? static_cast<IDerivedObject*>(base) : nullptr;
  }
  return nullptr;
}

Object* StackBase(INode* node) {
  Object* obj = node ? node->GetObjectRef() : nullptr;
  while (obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID) obj = static_cast<IDerivedObject*>(obj)->GetObjRef();
  return obj;
}

TriObject* GetNodeTriObject(INode* node, TimeValue t, int* needDelete) {
  if (!node) return nullptr;
  Object* obj = node->EvalWorldState(t, TRUE).obj;
  if (!obj || !obj->CanConvertToType(triObjectClassID)) return nullptr;
  Object* tri = obj->ConvertToType(t, triObjectClassID);
  if (needDelete) *needDelete = tri && tri != obj ? 1 : 0;
  return static_cast<TriObject*>(tri);
}

TriObject* EvalStackTriObject(INode* node, TimeValue t, int position, int& needDelete) {
  if (!node) return nullptr;
  IDerivedObject* dobj = WrapInDerivedObject(node);
  Object* obj = dobj->Eval(t, position).obj;
  if (!obj || !obj->CanConvertToType(triObjectClassID)) return nullptr;
  Object* tri = obj->ConvertToType(t, triObjectClassID);
  if (tri != obj) needDelete = 1;
  return static_cast<TriObject*>(tri);
}

void InsertModifier(INode* node, Modifier* mod, int position) {
  if (!node || !mod) return;
  IDerivedObject* dobj = WrapInDerivedObject(node);
  dobj->AddModifier(mod, nullptr, position);
  dobj->Eval(0, 0);
}

void RemoveModifier(INode* node, int position) {
  if (!node) return;
  IDerivedObject* dobj = WrapInDerivedObject(node);
  dobj->DeleteModifier(position);
  dobj->Eval(0, 0);
}
