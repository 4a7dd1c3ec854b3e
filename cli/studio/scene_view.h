// What the page sees of the scene, read from the stand-in host on the host
// thread: the nodes, a node's modifier stack, the command panel's open
// rollouts with every control's state, the time slider, and a node's
// evaluated mesh with its bones. Nothing here changes the scene except the
// time slider a frame is taken at.
#pragma once
#include <nlohmann/json.hpp>

#include "cli/studio/mesh_encoding.h"
#include "sdk/interface.h"

// Every node below the root, depth first: handle, name, parent handle (0 for
// the root), depth, whether it has a mesh, and whether it is selected.
nlohmann::json DescribeNodes(Interface* ip);
// The node's stack, top first: position, name, class, on/off, whether it is a
// Fernwick and whether the modify panel shows it; then the base object's class.
nlohmann::json DescribeStack(INode* node, Modifier* panelModifier);
// The command panel's open rollouts in order: title, open (not folded),
// enabled, size, and each control's id, kind, text, enabled and checked
// states and position in dialog units, as the stand-in's controls hold them.
nlohmann::json DescribePanel();
// Current frame, animation range in frames, frame rate.
nlohmann::json DescribeTime(Interface* ip);

// The node with this handle, the scene root excluded; nullptr when none.
INode* NodeByHandle(Interface* ip, ULONG handle);
// The modifier at a stack position (0 = top, running on across chained
// derived objects), or nullptr.
Modifier* ModifierAt(INode* node, int position);

// The node's mesh at time t: the whole stack's result in world space with its
// vertex normals, each vertex's distance between linear skinning and the
// topmost Fernwick's Delta Mush result (with the Fernwick on: from the stack's
// input to that modifier to the result; with it off: from the result to the
// result with it switched on for the moment; zeros without one), and the
// shapes of the bones of its topmost Skin. False when the node has no mesh.
bool EvaluateNodeView(INode* node, TimeValue t, MeshTopology& topology, MeshFrame& frame);
