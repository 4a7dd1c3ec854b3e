// A scene loaded into the stand-in host with the Fernwick rollout of one node
// open, as a user would have it before pressing buttons.
#pragma once
#include <ostream>
#include <string>

#include "sdk/inode.h"
#include "sdk/modifier.h"

struct RolloutSession {
  INode* node = nullptr;
  Modifier* fernwick = nullptr;  // the topmost Fernwick on the node's stack
  HWND rollout = nullptr;        // its "Parameters" rollout
};

// Loads the plug-in and the scene, selects the node (nodeName, or the first
// node whose stack holds a Fernwick modifier) and opens its rollout. What
// the scene's objects noted while loading goes to `warnings`.
bool OpenRolloutSession(const std::string& scenePath, const std::string& nodeName, const std::string& pluginPath,
                        RolloutSession& session, std::ostream& warnings, std::string& error);

// Presses the rollout button with this caption. False with a message when no
// enabled button has it.
bool PressButtonByCaption(const RolloutSession& session, const std::string& caption, std::string& error);

// Closes the rollout and empties the scene.
void CloseRolloutSession(RolloutSession& session);
