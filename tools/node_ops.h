// How commands reach the scene: the node that carries a modifier, modifiers on
// its stack by class and position, and its mesh at a time or stack position.
// Stack positions count from the top (0) across chained derived objects.
#pragma once
#include "../sdk/derived_object.h"
#include "../sdk/inode.h"
#include "../sdk/modifier.h"
#include "../sdk/tri_object.h"

// The first scene node that depends on mod, directly or through the objects
// that hold it; nullptr when none.
INode* FindNodeForModifier(ReferenceTarget* mod);

// The topmost modifier of class cid on node's stack; its position goes to
// *position when given.
Modifier* FindModifierByClass(INode* node, Class_ID cid, int* position = nullptr);

// Calls visit(modifier, position) for each modifier on node's stack, top
// first, until visit returns false.
template <class Visit>
void ForEachModifier(INode* node, Visit visit) {
  Object* obj = node ? node->GetObjectRef() : nullptr;
  int position = 0;
  while (obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
    auto* dobj = static_cast<IDerivedObject*>(obj);
    for (int i = 0; i < dobj->NumModifiers(); ++i, ++position)
      if (!visit(dobj->GetModifier(i), position)) return;
    obj = dobj->GetObjRef();
  }
}

// The object the node's stack starts from, below every derived object; nullptr
// when the node has no object.
Object* StackBase(INode* node);

// The node's world state at t (hidden nodes too) as a triangle-mesh object,
// or nullptr. *needDelete is set to 1 when the object is a converted copy,
// which the caller deletes with DeleteMe.
TriObject* GetNodeTriObject(INode* node, TimeValue t, int* needDelete = nullptr);

// The stack evaluated at position as a triangle-mesh object, or nullptr;
// needDelete is set to 1 when the object is a converted copy.
TriObject* EvalStackTriObject(INode* node, TimeValue t, int position, int& needDelete);

// Puts mod on the stack at position (the top by default), above what was there.
void InsertModifier(INode* node, Modifier* mod, int position = 0);

// Takes the modifier at position off the stack.
void RemoveModifier(INode* node, int position);
