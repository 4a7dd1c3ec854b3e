#include "param_map.h"

#include <algorithm>

#include "interface.h"
#include "window.h"

IParamMap2::IParamMap2(IParamBlock2* pb, ParamBlockDesc2* desc, ReferenceMaker* owner, MSTR title, HWND parent)
    : pblock_(pb), desc_(desc), owner_(owner), title_(std::move(title)) {
  hWnd_ = CreateHeadlessWindow(parent, desc->dlg_template, title_.c_str());
}

IParamMap2::~IParamMap2() { DestroyWindow(hWnd_); }

void IParamMap2::Open(TimeValue t) {
  proc_ = desc_->dlgProc_;
  if (!proc_) return;
  proc_->SetThing(dynamic_cast<ReferenceTarget*>(owner_));
  proc_->DlgProc(t, this, hWnd_, WM_INITDIALOG, 0, 0);
}

void IParamMap2::Close(TimeValue t) {
  ParamMap2UserDlgProc* proc = proc_;
  proc_ = nullptr;
  if (!proc) return;
  if (desc_->dlgProc_ == proc) desc_->dlgProc_ = nullptr;
  proc->DlgProc(t, this, hWnd_, WM_DESTROY, 0, 0);
  proc->DeleteThis();
}

void IParamMap2::SetUserDlgProc(ParamMap2UserDlgProc* proc) {
  if (proc == proc_) return;
  const TimeValue t = GetCOREInterface()->GetTime();
  Close(t);
  proc_ = proc;
  if (!proc_) return;
  proc_->SetThing(dynamic_cast<ReferenceTarget*>(owner_));
  proc_->DlgProc(t, this, hWnd_, WM_INITDIALOG, 0, 0);
}

BOOL IParamMap2::SetValueFromControl(ParamID id, TimeValue t, float v) {
  const ParamDef* d = desc_->GetParamDef(id);
  if (!d || !pblock_) return FALSE;
  if (d->type != TYPE_FLOAT) return SetValueFromControl(id, t, static_cast<int>(v < 0 ? v - 0.5f : v + 0.5f));
  if (d->has_range) v = std::clamp(v, d->range_low.f, d->range_high.f);
  return pblock_->SetValue(id, t, v);
}

BOOL IParamMap2::SetValueFromControl(ParamID id, TimeValue t, int v) {
  const ParamDef* d = desc_->GetParamDef(id);
  if (!d || !pblock_) return FALSE;
  if (d->type == TYPE_FLOAT) return SetValueFromControl(id, t, static_cast<float>(v));
  if (d->has_range) v = std::clamp(v, d->range_low.i, d->range_high.i);
  return pblock_->SetValue(id, t, v);
}
