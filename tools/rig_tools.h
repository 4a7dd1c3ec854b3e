// The rollout's rig commands: bind to nearest bones, proxy bones with their
// input animation, replacing the proxy, duplicating the modifier.
#pragma once
#include <string>

#include "../sdk/host_types.h"

class Fernwick;

// Every vertex gets weight 1.0 on its nearest Skin bone. t: the time the
// rollout passed in, at which the node's transform is taken.
void BindWithNearestBones(Fernwick* mod, TimeValue t);

// Proxy bones under a second Skin, animated one after the other.
void CreateInputAnimation(Fernwick* mod);

// Moves the proxy Skin's weights onto the rig's bones and removes the proxy.
void ReplaceAndRemoveProxy(Fernwick* mod);

// A copy of the modifier on top of the selected node's stack.
void DuplicateModifier(Fernwick* mod);

// The proxy animation script for these node handles.
std::wstring ProxyAnimationScript(const int* handles, int count);
