#include "interface.h"

#include <algorithm>
#include <cstdio>

#include "derived_object.h"
#include "host_terminal.h"
#include "instance_mgr.h"
#include "plugin_manager.h"
#include "window.h"

// Holds the modifier open in the modify panel, so it lives while open and
// the panel learns when it is deleted.
class Interface::PanelHold : public ReferenceMaker {
 public:
  ~PanelHold() override = default;
  Modifier* mod = nullptr;
  int NumRefs() override { return 1; }
  RefTargetHandle GetReference(int i) override { return i == 0 ? mod : nullptr; }
  void SetReference(int i, RefTargetHandle r) override {
    if (i == 0) mod = dynamic_cast<Modifier*>(r);
  }
  void Hold(Modifier* m) { HoldTarget(m); }
  void Release(Modifier* m) { ReleaseTarget(m, true); }
};

namespace {
constexpr TimeValue kDefaultRangeEnd = 100 * (TIME_TICKSPERSEC / 30);
}

Interface::Interface()
    : animRange_(0, kDefaultRangeEnd), panel_(std::make_unique<PanelHold>()) {
  root_ = new INode(0);
  root_->SetName(L"Scene Root");
  panelWnd_ = CreateHeadlessWindow(nullptr, 0, L"Command Panel");
}

Interface::~Interface() {
  ResetScene();
  panel_.reset();
  root_->DeleteMe();
  DestroyWindow(panelWnd_);
}

Interface* GetCOREInterface() {
  // Never destroyed: scene objects may belong to libraries already unloaded
  // at exit. Tests and programs empty the scene with ResetScene.
  static Interface* ip = new Interface;
  return ip;
}

FPInterface* GetCOREInterface(Interface_ID id) {
  if (id == INSTANCE_MGR_INTERFACE) return IInstanceMgr::GetInstanceMgr();
  return nullptr;
}

int GetFrameRate() { return GetCOREInterface()->GetFrameRate(); }
void SetFrameRate(int fps) { GetCOREInterface()->SetFrameRate(fps); }
int GetTicksPerFrame() { return TIME_TICKSPERSEC / GetCOREInterface()->GetFrameRate(); }

void Interface::SetTime(TimeValue t, BOOL redraw) {
  time_ = t;
  if (redraw) RedrawViews(t);
}

void Interface::OpenModifyPanel(Modifier* mod, ULONG flags) {
  Modifier* prev = panel_->mod;
  if (prev == mod) return;
  if (prev) prev->EndEditParams(this, END_EDIT_REMOVEUI, mod);
  // The previous modifier stays referenced until the new one has opened.
  panel_->Hold(mod);
  Modifier* old = panel_->mod;
  panel_->mod = mod;
  if (mod) mod->BeginEditParams(this, flags, prev);
  panel_->Release(old);
}

void Interface::CloseModifyPanel(ULONG flags) {
  Modifier* mod = panel_->mod;
  if (!mod) return;
  mod->EndEditParams(this, flags, nullptr);
  panel_->ReplaceReference(0, nullptr, TRUE);
}

Modifier* Interface::GetModifyPanelModifier() { return panel_->mod; }

void Interface::GetModContexts(ModContextList& list, INodeTab& nodes) {
  list.ZeroCount();
  nodes.ZeroCount();
  Modifier* mod = panel_->mod;
  if (!mod) return;
  std::vector<INode*> all;
  EnumNodes(all);
  for (INode* node : all) {
    Object* o = node->GetObjectRef();
    while (o && o->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
      auto* d = static_cast<IDerivedObject*>(o);
      for (int k = 0; k < d->NumModifiers(); ++k) {
        if (d->GetModifier(k) != mod) continue;
        list.Append(d->GetModContext(k));
        nodes.Append(node);
      }
      o = d->GetObjRef();
    }
  }
}

void Interface::PushPrompt(const MCHAR* s) {
  prompts_.emplace_back(s ? s : L"");
  HostTerminalLine("prompt", prompts_.back());
  StatusChanged();
}

void Interface::PopPrompt() {
  if (prompts_.empty()) return;
  prompts_.pop_back();
  if (!prompts_.empty()) HostTerminalLine("prompt", prompts_.back());
  StatusChanged();
}

void Interface::ReplacePrompt(const MCHAR* s) {
  if (prompts_.empty()) prompts_.emplace_back();
  prompts_.back() = s ? s : L"";
  HostTerminalLine("prompt", prompts_.back());
  StatusChanged();
}

void Interface::DisplayTempPrompt(const MCHAR* s, int) {
  tempPrompt_ = s ? s : L"";
  HostTerminalLine("prompt", tempPrompt_);
  StatusChanged();
}

void Interface::RemoveTempPrompt() {
  tempPrompt_.clear();
  StatusChanged();
}

MSTR Interface::GetPrompt() {
  if (!tempPrompt_.empty()) return tempPrompt_;
  return prompts_.empty() ? MSTR() : prompts_.back();
}

BOOL Interface::ProgressStart(const MCHAR* title, BOOL, LPTHREAD_START_ROUTINE fn, LPVOID arg) {
  progressActive_ = true;
  progressPct_ = -1;
  cancel_ = false;
  progressTitle_ = title ? title : L"";
  HostTerminalLine("progress", progressTitle_);
  StatusChanged();
  if (fn) fn(arg);
  return TRUE;
}

void Interface::ProgressUpdate(int pct, BOOL showPct, const MCHAR* title) {
  if (!progressActive_) return;
  const bool retitled = title && progressTitle_ != title;
  if (retitled) progressTitle_ = title;
  if (pct == progressPct_ && !retitled) return;
  progressPct_ = pct;
  MSTR line = progressTitle_;
  if (showPct) line += L" " + std::to_wstring(pct) + L"%";
  HostTerminalLine("progress", line);
  StatusChanged();
}

void Interface::ProgressEnd() {
  if (!progressActive_) return;
  progressActive_ = false;
  HostTerminalLine("progress", progressTitle_ + L" done");
  StatusChanged();
}

INode* Interface::CreateObjectNode(Object* obj, const MCHAR* name) {
  auto* node = new INode(nextHandle_++);
  if (name) {
    node->SetName(name);
  } else {
    wchar_t buf[32];
    std::swprintf(buf, 32, L"Object%03u", static_cast<unsigned>(node->GetHandle()));
    node->SetName(buf);
  }
  nodes_.push_back(node);
  root_->AttachChild(node, 0);
  if (obj) node->SetObjectRef(obj);
  return node;
}

void Interface::DeleteNode(INode* node, BOOL keepChildTM, BOOL redraw) {
  if (!node || node == root_) return;
  auto it = std::find(nodes_.begin(), nodes_.end(), node);
  if (it == nodes_.end()) return;
  INode* parent = node->GetParentNode() ? node->GetParentNode() : root_;
  while (node->NumberOfChildren() > 0) parent->AttachChild(node->GetChildNode(0), keepChildTM);
  parent->RemoveChild(node);
  node->parent_ = nullptr;
  nodes_.erase(std::find(nodes_.begin(), nodes_.end(), node));
  DeSelectNode(node);
  node->DeleteMe();
  if (redraw) RedrawViews(time_);
}

INode* Interface::GetINodeByHandle(ULONG handle) {
  if (handle == 0) return root_;
  for (INode* n : nodes_)
    if (n->GetHandle() == handle) return n;
  return nullptr;
}

INode* Interface::GetINodeByName(const MCHAR* name) {
  if (!name) return nullptr;
  std::vector<INode*> all;
  EnumNodes(all);
  for (INode* n : all)
    if (MSTR(n->GetName()) == name) return n;
  return nullptr;
}

void Interface::Enum(INode* n, std::vector<INode*>& out) {
  for (int i = 0; i < n->NumberOfChildren(); ++i) {
    out.push_back(n->GetChildNode(i));
    Enum(n->GetChildNode(i), out);
  }
}

void Interface::EnumNodes(std::vector<INode*>& out) {
  out.clear();
  Enum(root_, out);
}

void Interface::SelectNode(INode* node, int clearSel) {
  if (clearSel) selection_.clear();
  if (node && node != root_ && std::find(selection_.begin(), selection_.end(), node) == selection_.end())
    selection_.push_back(node);
}

void Interface::DeSelectNode(INode* node) {
  selection_.erase(std::remove(selection_.begin(), selection_.end(), node), selection_.end());
}

void Interface::ClearNodeSelection(BOOL redraw) {
  selection_.clear();
  if (redraw) RedrawViews(time_);
}

INode* Interface::GetSelNode(int i) {
  return i >= 0 && i < GetSelNodeCount() ? selection_[i] : nullptr;
}

void Interface::RedrawViews(TimeValue, DWORD, ReferenceTarget*) { ++redraws_; }

void* Interface::CreateInstance(SClass_ID superID, Class_ID classID) {
  ClassDesc* cd = FindClassDesc(superID, classID);
  return cd ? cd->Create(FALSE) : nullptr;
}

void Interface::ResetScene() {
  CloseModifyPanel();
  selection_.clear();
  // Last created first, so that nodes made from others go before them.
  while (!nodes_.empty()) DeleteNode(nodes_.back(), FALSE, FALSE);
  nextHandle_ = 1;
  time_ = 0;
  animRange_ = Interval(0, kDefaultRangeEnd);
  animate_ = false;
  frameRate_ = 30;
  prompts_.clear();
  tempPrompt_.clear();
  progressActive_ = false;
  progressPct_ = -1;
  progressTitle_.clear();
  cancel_ = false;
  redraws_ = 0;
}
