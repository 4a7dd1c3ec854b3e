// Stand-in host: the core interface, i.e. the one scene and the host's
// services around it (time slider, modify panel, prompt line, progress bar,
// node creation and selection).
//
// The scene owns its nodes: DeleteNode and ResetScene delete them, and with
// them whatever only they referenced.
#pragma once
#include <memory>
#include <vector>

#include "class_id.h"
#include "inode.h"
#include "interval.h"
#include "modifier.h"

// Host interfaces reached by id through GetCOREInterface(Interface_ID).
class FPInterface {
 public:
  virtual ~FPInterface() = default;
  virtual Interface_ID GetID() = 0;
};

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID);

constexpr DWORD REDRAW_BEGIN = 1u << 0;
constexpr DWORD REDRAW_INTERACTIVE = 1u << 1;
constexpr DWORD REDRAW_END = 1u << 2;
constexpr DWORD REDRAW_NORMAL = 1u << 3;

// Told of every change of the prompt line or the progress bar, on the thread
// that made it, after the change; reads the new state from the interface.
class StatusListener {
 public:
  virtual ~StatusListener() = default;
  virtual void StatusChanged() = 0;
};

class Interface {
 public:
  Interface();
  Interface(const Interface&) = delete;
  Interface& operator=(const Interface&) = delete;
  ~Interface();

  // Time slider. Setting it notifies nothing; evaluations read it.
  TimeValue GetTime() { return time_; }
  void SetTime(TimeValue t, BOOL redraw = TRUE);
  Interval GetAnimRange() { return animRange_; }
  void SetAnimRange(Interval range) { animRange_ = range; }
  BOOL GetAnimateMode() { return animate_ ? TRUE : FALSE; }
  void SetAnimateMode(BOOL on) { animate_ = on != FALSE; }
  int GetFrameRate() { return frameRate_; }
  void SetFrameRate(int fps) { frameRate_ = fps > 0 ? fps : 30; }

  // The modify panel. Opening calls the modifier's BeginEditParams (after
  // closing the one open before, which is passed as prev); closing calls its
  // EndEditParams. The panel holds a reference to the open modifier.
  void OpenModifyPanel(Modifier* mod, ULONG flags = 0);
  void CloseModifyPanel(ULONG flags = END_EDIT_REMOVEUI);
  Modifier* GetModifyPanelModifier();
  // A mod context and node for every place in the scene's stacks where the
  // open modifier is applied; empty when none is open.
  void GetModContexts(ModContextList& list, INodeTab& nodes);
  // The window rollouts open in.
  HWND GetCommandPanelHWnd() { return panelWnd_; }

  // Prompt line: a stack of texts, each change written to the host terminal.
  void PushPrompt(const MCHAR* s);
  void PopPrompt();
  void ReplacePrompt(const MCHAR* s);
  void DisplayTempPrompt(const MCHAR* s, int msec = 1000);
  void RemoveTempPrompt();
  // What the prompt line shows now (a temporary prompt wins).
  MSTR GetPrompt();

  // Progress bar. ProgressStart runs fn(arg) when given and returns TRUE.
  BOOL ProgressStart(const MCHAR* title, BOOL dispBar, LPTHREAD_START_ROUTINE fn, LPVOID arg);
  void ProgressUpdate(int pct, BOOL showPct = TRUE, const MCHAR* title = nullptr);
  void ProgressEnd();
  BOOL GetCancel() { return cancel_ ? TRUE : FALSE; }
  void SetCancel(BOOL sw) { cancel_ = sw != FALSE; }
  bool IsProgressActive() const { return progressActive_; }
  int GetProgressPercent() const { return progressPct_; }
  const MSTR& GetProgressTitle() const { return progressTitle_; }

  // One listener (not owned; nullptr for none) besides the host terminal.
  void SetStatusListener(StatusListener* listener) { statusListener_ = listener; }

  // Nodes.
  INode* GetRootNode() { return root_; }
  // A new node under the root referencing obj, named "Object" and its handle
  // (three digits) unless a name is given.
  INode* CreateObjectNode(Object* obj, const MCHAR* name = nullptr);
  // Children move to the node's parent (keeping their world transform).
  void DeleteNode(INode* node, BOOL keepChildTM = TRUE, BOOL redraw = TRUE);
  INode* GetINodeByHandle(ULONG handle);
  INode* GetINodeByName(const MCHAR* name);
  // Every node below the root, depth first, children in order.
  void EnumNodes(std::vector<INode*>& out);

  // Node selection, in selection order.
  void SelectNode(INode* node, int clearSel = 1);
  void DeSelectNode(INode* node);
  void ClearNodeSelection(BOOL redraw = TRUE);
  int GetSelNodeCount() { return static_cast<int>(selection_.size()); }
  INode* GetSelNode(int i);

  void RedrawViews(TimeValue t, DWORD vpFlags = REDRAW_NORMAL, ReferenceTarget* change = nullptr);
  int GetRedrawCount() const { return redraws_; }

  // A new object of a registered class (plugin_manager.h), or nullptr.
  void* CreateInstance(SClass_ID superID, Class_ID classID);

  // Empties the scene: closes the modify panel, deletes every node and
  // restores time, range, animate mode, frame rate, prompt and progress.
  void ResetScene();

 private:
  class PanelHold;
  friend class SceneFileAccess;  // scene files read and replace the node list
  void Enum(INode* n, std::vector<INode*>& out);
  void StatusChanged() {
    if (statusListener_) statusListener_->StatusChanged();
  }

  TimeValue time_ = 0;
  Interval animRange_;
  bool animate_ = false;
  int frameRate_ = 30;
  INode* root_ = nullptr;
  std::vector<INode*> nodes_;  // every node but the root, in creation order
  ULONG nextHandle_ = 1;
  std::vector<INode*> selection_;
  std::unique_ptr<PanelHold> panel_;
  HWND panelWnd_ = nullptr;
  std::vector<MSTR> prompts_;
  MSTR tempPrompt_;
  bool progressActive_ = false;
  int progressPct_ = -1;
  MSTR progressTitle_;
  bool cancel_ = false;
  int redraws_ = 0;
  StatusListener* statusListener_ = nullptr;
};

// The host's one interface; it lives for the whole process.
Interface* GetCOREInterface();
// A host interface by id (the instance manager), or nullptr.
FPInterface* GetCOREInterface(Interface_ID id);
