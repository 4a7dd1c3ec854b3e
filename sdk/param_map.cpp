#include "param_map.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "class_desc.h"
#include "dialog_template.h"
#include "interface.h"
#include "window.h"

IParamMap2::IParamMap2(IParamBlock2* pb, ParamBlockDesc2* desc, ReferenceMaker* owner, MSTR title, HWND parent)
    : pblock_(pb), desc_(desc), owner_(owner), title_(std::move(title)) {
  hWnd_ = CreateHeadlessWindow(parent, desc->dlg_template, title_.c_str());
  hWnd_->map = this;
  rollupOpen_ = (desc->rollup_flags & APPENDROLL_CLOSED) == 0;
  CreateControls();
  UpdateUI(GetCOREInterface()->GetTime());
}

void IParamMap2::CreateControls() {
  if (desc_->dlg_template == 0) return;
  DialogTemplate dlg;
  HINSTANCE module = desc_->cd ? desc_->cd->HInstance() : nullptr;
  if (!LoadDialogTemplate(module, desc_->dlg_template, dlg, templateError_)) {
    templateError_ = "dialog " + std::to_string(desc_->dlg_template) + ": " + templateError_;
    return;
  }
  hWnd_->x = dlg.x;
  hWnd_->y = dlg.y;
  hWnd_->cx = dlg.cx;
  hWnd_->cy = dlg.cy;
  for (const DialogControlTemplate& c : dlg.controls) {
    HWND w = CreateHeadlessWindow(hWnd_, c.id, c.caption.c_str());
    w->kind = c.kind;
    w->className = c.windowClass;
    w->style = c.style;
    w->x = c.x;
    w->y = c.y;
    w->cx = c.cx;
    w->cy = c.cy;
    w->enabled = (c.style & WS_DISABLED) == 0;
    const ParamDef* d = FindParamForControl(c.id);
    w->checkButton = d && d->ctrl_type == TYPE_CHECKBUTTON && c.kind == ControlKind::CustButton;
  }
}

const ParamDef* IParamMap2::FindParamForControl(int ctrlId) const {
  if (ctrlId == -1) return nullptr;
  for (const ParamDef& d : desc_->paramdefs)
    if (std::find(d.ctrl_IDs.begin(), d.ctrl_IDs.end(), ctrlId) != d.ctrl_IDs.end()) return &d;
  return nullptr;
}

namespace {

// What a bound control shows for its parameter at t.
void ShowValue(HWND w, const ParamDef& d, IParamBlock2* pb, TimeValue t) {
  switch (d.ctrl_type) {
    case TYPE_SPINNER: {
      if (d.ctrl_IDs.empty() || w->id != d.ctrl_IDs[0]) return;  // the spinner has no text
      wchar_t text[64];
      if (d.edit_type == EDITTYPE_FLOAT) {
        double v = d.type == TYPE_FLOAT ? pb->GetFloat(d.ID, t) : pb->GetInt(d.ID, t);
        if (std::fabs(v) < 0.0005) v = 0.0;  // no "-0.000"
        std::swprintf(text, 64, L"%.3f", v);
      } else {
        const long v = d.type == TYPE_FLOAT ? std::lround(pb->GetFloat(d.ID, t)) : pb->GetInt(d.ID, t);
        std::swprintf(text, 64, L"%ld", v);
      }
      w->text = text;
      return;
    }
    case TYPE_SINGLECHEKBOX:
    case TYPE_CHECKBUTTON:
      w->checked = pb->GetInt(d.ID, t) != 0;
      return;
    case TYPE_RADIO: {
      const auto at = std::find(d.ctrl_IDs.begin(), d.ctrl_IDs.end(), w->id) - d.ctrl_IDs.begin();
      w->checked = pb->GetInt(d.ID, t) == static_cast<int>(at);
      return;
    }
    default:
      return;
  }
}

}  // namespace

void IParamMap2::UpdateUI(TimeValue t) {
  if (!pblock_) return;
  for (HWND w : hWnd_->children)
    if (const ParamDef* d = FindParamForControl(w->id)) ShowValue(w, *d, pblock_, t);
}

void IParamMap2::UpdateControl(HWND control) {
  if (!pblock_ || !IsWindow(control) || control->parent != hWnd_) return;
  if (const ParamDef* d = FindParamForControl(control->id))
    ShowValue(control, *d, pblock_, GetCOREInterface()->GetTime());
}

void IParamMap2::Enable(ParamID id, BOOL onOff) {
  const ParamDef* d = desc_->GetParamDef(id);
  if (!d) return;
  for (int ctrl : d->ctrl_IDs)
    for (HWND w : hWnd_->children)
      if (w->id == ctrl) EnableWindow(w, onOff);
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
