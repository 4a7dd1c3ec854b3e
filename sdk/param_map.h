// Stand-in host: the automatic user interface of a parameter block. A map is
// a headless rollout window bound to the block; it is opened and closed by
// the class descriptor's BeginEditParams/EndEditParams.
//
// The rollout window gets one child window per control of the descriptor's
// dialog template (dialog_template.h), loaded from the class descriptor's
// module. Controls named in a parameter's p_ui binding show its value: the
// edit of a spinner shows floats (EDITTYPE_FLOAT) as "%.3f" and ints
// (EDITTYPE_INT) as whole numbers, check boxes and check buttons their
// checked state, radio buttons which one is chosen. The map does not listen
// to the block; bound controls are brought up to date whenever they are read
// through the window services (window.h, custom_controls.h), by UpdateUI,
// after each user action (rollout.h) and by snapshots, so values set from
// code, keys and time changes all show at the next read.
#pragma once
#include <string>

#include "host_types.h"
#include "param_block.h"

class IParamMap2;

// A plug-in's handler of the rollout's window messages.
class ParamMap2UserDlgProc {
 public:
  virtual ~ParamMap2UserDlgProc() = default;
  virtual INT_PTR DlgProc(TimeValue t, IParamMap2* map, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
  virtual void DeleteThis() = 0;
  // The object whose parameters the map now shows.
  virtual void SetThing(ReferenceTarget* m) { (void)m; }
  virtual void Update(TimeValue t) { (void)t; }
};

class IParamMap2 {
 public:
  IParamMap2(const IParamMap2&) = delete;
  IParamMap2& operator=(const IParamMap2&) = delete;

  IParamBlock2* GetParamBlock() { return pblock_; }
  ParamBlockDesc2* GetDesc() { return desc_; }
  MapID GetMapID() { return mapId_; }
  // The rollout window; the host's headless dialog record.
  HWND GetHWnd() { return hWnd_; }
  const MSTR& GetTitle() const { return title_; }
  int GetRollupFlags() const { return desc_->rollup_flags; }
  ReferenceMaker* GetOwner() { return owner_; }

  // Takes proc (the map deletes it when it closes) and gives it
  // WM_INITDIALOG; a procedure the map held before is deleted.
  void SetUserDlgProc(ParamMap2UserDlgProc* proc = nullptr);
  ParamMap2UserDlgProc* GetUserDlgProc() { return proc_; }

  // A value entered in one of the map's controls: clamped to the
  // parameter's range, then set like SetValue.
  BOOL SetValueFromControl(ParamID id, TimeValue t, float v);
  BOOL SetValueFromControl(ParamID id, TimeValue t, int v);

  // Every bound control shows the block's values at t.
  void UpdateUI(TimeValue t);
  // One control of the rollout shows its parameter at the host's current
  // time; unbound controls are left alone.
  void UpdateControl(HWND control);
  // Enables or disables every control bound to the parameter.
  void Enable(ParamID id, BOOL onOff);
  // The parameter bound to control ctrlId, or nullptr.
  const ParamDef* FindParamForControl(int ctrlId) const;
  // Why the rollout has no controls although the descriptor names a dialog
  // (no script, a malformed script, no such dialog); empty otherwise.
  const std::string& GetTemplateError() const { return templateError_; }
  // Collapsed rollouts (APPENDROLL_CLOSED) start closed.
  bool IsRollupOpen() const { return rollupOpen_; }
  void SetRollupOpen(bool open) { rollupOpen_ = open; }

 private:
  friend class ClassDesc2;
  IParamMap2(IParamBlock2* pb, ParamBlockDesc2* desc, ReferenceMaker* owner, MSTR title, HWND parent);
  ~IParamMap2();
  void Open(TimeValue t);
  void Close(TimeValue t);
  void CreateControls();

  IParamBlock2* pblock_;
  ParamBlockDesc2* desc_;
  ReferenceMaker* owner_;
  MapID mapId_ = 0;
  MSTR title_;
  HWND hWnd_ = nullptr;
  ParamMap2UserDlgProc* proc_ = nullptr;
  std::string templateError_;
  bool rollupOpen_ = true;
};
