#include "cli/terminal_host/rollout_session.h"

#include "cli/terminal_host/plugin_host.h"
#include "frame/fernwick_ids.h"
#include "sdk/derived_object.h"
#include "sdk/interface.h"
#include "sdk/rollout.h"
#include "sdk/scene_file.h"
#include "sdk/utf8.h"
#include "tools/node_ops.h"
#include "sdk/window.h"

bool OpenRolloutSession(const std::string& scenePath, const std::string& nodeName, const std::string& pluginPath,
                        RolloutSession& session, std::ostream& warnings, std::string& error) {
  session = RolloutSession();
  if (!LoadFernwick(pluginPath, error)) return false;
  if (!OpenSceneFile(scenePath, warnings, error)) return false;
  Interface* ip = GetCOREInterface();
  std::vector<INode*> nodes;
  ip->EnumNodes(nodes);
  for (INode* n : nodes) {
    if (!nodeName.empty() && WideToUtf8(n->GetName()) != nodeName) continue;
    if (Modifier* m = FindModifierByClass(n, FERNWICK_CLASS_ID)) {
      session.node = n;
      session.fernwick = m;
      break;
    }
  }
  if (!session.node) {
    error = nodeName.empty() ? scenePath + " has no node with a Fernwick modifier"
                             : "node \"" + nodeName + "\" is not in " + scenePath + " or carries no Fernwick modifier";
    return false;
  }
  ip->SelectNode(session.node, 1);
  ip->OpenModifyPanel(session.fernwick);
  session.rollout = FindOpenRollout(L"Parameters");
  if (!session.rollout) {
    error = "the Fernwick rollout did not open";
    return false;
  }
  return true;
}

bool PressButtonByCaption(const RolloutSession& session, const std::string& caption, std::string& error) {
  const std::wstring want = Utf8ToWide(caption);
  for (HWND child : session.rollout->children) {
    if (GetWindowTextString(child) != want) continue;
    if (!IsWindowEnabled(child)) {
      error = "the button \"" + caption + "\" is disabled now";
      return false;
    }
    if (!PressButton(session.rollout, GetDlgCtrlID(child))) {
      error = "\"" + caption + "\" is not a button";
      return false;
    }
    return true;
  }
  error = "the rollout has no button \"" + caption + "\"";
  return false;
}

void CloseRolloutSession(RolloutSession& session) {
  GetCOREInterface()->CloseModifyPanel();
  CloseHostSession();
  session = RolloutSession();
}
