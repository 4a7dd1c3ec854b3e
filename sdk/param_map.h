// Stand-in host: the automatic user interface of a parameter block. A map is
// a headless rollout window bound to the block; it is opened and closed by
// the class descriptor's BeginEditParams/EndEditParams.
#pragma once
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

 private:
  friend class ClassDesc2;
  IParamMap2(IParamBlock2* pb, ParamBlockDesc2* desc, ReferenceMaker* owner, MSTR title, HWND parent);
  ~IParamMap2();
  void Open(TimeValue t);
  void Close(TimeValue t);

  IParamBlock2* pblock_;
  ParamBlockDesc2* desc_;
  ReferenceMaker* owner_;
  MapID mapId_ = 0;
  MSTR title_;
  HWND hWnd_ = nullptr;
  ParamMap2UserDlgProc* proc_ = nullptr;
};
