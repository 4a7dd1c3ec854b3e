#include "fernwick_params.h"

#include "fernwick.h"
#include "fernwick_class_desc.h"
#include "fernwick_ids.h"
#include "fernwick_plugin.h"

FernwickPBAccessor fernwick_accessor;

// clang-format off
ParamBlockDesc2 fernwick_param_blk(
    fernwick_params, L"params", 0, GetFernwickDesc(), P_AUTO_CONSTRUCT | P_AUTO_UI,
    // reference number; rollout: dialog, title, test flags, rollout flags, user dlg proc
    0,
    IDD_PARAMS, IDS_PARAMS, 0, 0, static_cast<ParamMap2UserDlgProc*>(nullptr),

    pb_weight, L"weight", TYPE_FLOAT, P_ANIMATABLE | P_RESET_DEFAULT, IDS_SPIN,
        p_default, 1.0,
        p_range, 0.0, 1.0,
        p_ui, TYPE_SPINNER, EDITTYPE_FLOAT, IDC_WEIGHT_EDIT, IDC_WEIGHT_SPIN, 0.01,
        p_end,
    pb_iter, L"iter", TYPE_INT, P_ANIMATABLE | P_RESET_DEFAULT, IDS_ITER,
        p_default, 1,
        p_range, 0, 1000,
        p_ui, TYPE_SPINNER, EDITTYPE_INT, IDC_ITER_EDIT, IDC_ITER_SPIN, 0.1,
        p_end,
    pb_displace, L"displace", TYPE_FLOAT, P_ANIMATABLE | P_RESET_DEFAULT, IDS_DISPLACE,
        p_default, 1.0,
        p_range, 0.0, 1.0,
        p_ui, TYPE_SPINNER, EDITTYPE_FLOAT, IDC_DISPLACE_EDIT, IDC_DISPLACE_SPIN, 0.01,
        p_end,
    pb_showState, L"showState", TYPE_BOOL, P_RESET_DEFAULT, IDS_SHOW_STATE,
        p_default, FALSE,
        p_ui, TYPE_CHECKBUTTON, IDC_SHOW_STATE,
        p_accessor, static_cast<PBAccessor*>(&fernwick_accessor),
        p_end,
    pb_boundFixed, L"boundFixed", TYPE_BOOL, P_RESET_DEFAULT, IDS_BOUND_FIXED,
        p_default, TRUE,
        p_ui, TYPE_SINGLECHEKBOX, IDC_BOUND_FIXED,
        p_accessor, static_cast<PBAccessor*>(&fernwick_accessor),
        p_end,
    pb_vertSel, L"vertSel", TYPE_BOOL, P_RESET_DEFAULT, IDS_VERT_SEL,
        p_default, FALSE,
        p_ui, TYPE_SINGLECHEKBOX, IDC_VERT_SEL,
        p_end,
    pb_vertCol, L"vertCol", TYPE_BOOL, P_RESET_DEFAULT, IDS_VERT_COL,
        p_default, FALSE,
        p_ui, TYPE_SINGLECHEKBOX, IDC_VERT_COL,
        p_end,
    pb_startFrame, L"startFrame", TYPE_INT, P_RESET_DEFAULT, IDS_START_FRAME,
        p_default, 0,
        p_range, -10000, 10000,
        p_ui, TYPE_SPINNER, EDITTYPE_INT, IDC_START_EDIT, IDC_START_SPIN, 0.1,
        p_end,
    pb_endFrame, L"endFrame", TYPE_INT, P_RESET_DEFAULT, IDS_END_FRAME,
        p_default, 100,
        p_range, -10000, 10000,
        p_ui, TYPE_SPINNER, EDITTYPE_INT, IDC_END_EDIT, IDC_END_SPIN, 0.1,
        p_end,
    pb_boneLimit, L"boneLimit", TYPE_INT, P_RESET_DEFAULT, IDS_BONE_LIMIT,
        p_default, 5,
        p_range, 1, 100,
        p_ui, TYPE_SPINNER, EDITTYPE_INT, IDC_BONE_LIMIT_EDIT, IDC_BONE_LIMIT_SPIN, 0.1,
        p_end,
    pb_solverIterations, L"solverIterations", TYPE_INT, P_RESET_DEFAULT, IDS_SOLVER_ITERATIONS,
        p_default, 12,
        p_range, 1, 15,
        p_ui, TYPE_SPINNER, EDITTYPE_INT, IDC_SOLVER_ITER_EDIT, IDC_SOLVER_ITER_SPIN, 0.1,
        p_accessor, static_cast<PBAccessor*>(&fernwick_accessor),
        p_end,
    p_end);

// A class-level block with no parameters: it only opens the "About" rollout.
ParamBlockDesc2 fernwick_about_blk(
    fernwick_about, L"about", 0, GetFernwickDesc(), P_CLASS_PARAMS | P_AUTO_UI,
    IDD_ABOUT, IDS_ABOUT, 0, APPENDROLL_CLOSED, static_cast<ParamMap2UserDlgProc*>(nullptr),
    p_end);
// clang-format on

void FernwickPBAccessor::Set(PB2Value& /*v*/, ReferenceMaker* owner, ParamID id, int /*tabIndex*/, TimeValue /*t*/) {
  Fernwick* mod = dynamic_cast<Fernwick*>(owner);
  if (!mod) return;
  if (id == pb_boundFixed) {
    mod->BuildFixedVerts();
    mod->PrecomputeRest();
  } else if (id == pb_solverIterations) {
    mod->RefreshRollout();
  }
}
