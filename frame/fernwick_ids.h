// Identities of the Fernwick class, its parameter blocks, parameters and controls.
#pragma once
#include "../sdk/class_id.h"

#define FERNWICK_CLASS_ID Class_ID(0x091D6366, 0x253B2454)

// String resources.
enum FernwickStringId : int {
  IDS_LIBDESCRIPTION = 1,
  IDS_CATEGORY = 2,
  IDS_CLASS_NAME = 3,
  IDS_PARAMS = 4,
  IDS_SPIN = 5,
  IDS_ITER = 6,
  IDS_DISPLACE = 7,
  IDS_ABOUT = 8,
  IDS_START_FRAME = 9,
  IDS_BOUND_FIXED = 11,
  IDS_VERT_SEL = 12,
  IDS_VERT_COL = 13,
  IDS_SHOW_STATE = 14,
  IDS_END_FRAME = 15,
  IDS_BONE_LIMIT = 17,
  IDS_SOLVER_ITERATIONS = 19,
};

// Dialog templates.
constexpr int IDD_PARAMS = 101;
constexpr int IDD_ABOUT = 102;

// Parameter blocks.
enum FernwickBlockId : short { fernwick_params = 0, fernwick_about = 1 };

// Parameters of the "params" block.
enum FernwickParamId : short {
  pb_weight = 0,
  pb_iter = 1,
  pb_displace = 2,
  pb_showState = 3,
  pb_boundFixed = 4,
  pb_vertSel = 5,
  pb_vertCol = 6,
  pb_startFrame = 7,
  pb_endFrame = 8,
  pb_boneLimit = 9,
  pb_solverIterations = 10,
};

// Controls of the "Parameters" rollout.
enum FernwickControlId : int {
  IDC_EXTRACT_STATE = 1001,
  IDC_SHOW_STATE = 1002,
  IDC_STATE_LABEL = 1004,
  IDC_VERT_SEL = 1005,
  IDC_VERT_COL = 1006,
  IDC_BOUND_FIXED = 1007,
  IDC_DUPLICATE = 1008,
  IDC_BIND_NEAREST = 1009,
  IDC_CREATE_ANIMATION = 1010,
  IDC_SOLVE = 1011,
  IDC_UNDO = 1012,
  IDC_ACCURACY_LABEL = 1013,
  IDC_REPLACE_PROXY = 1014,
  IDC_WEIGHT_EDIT = 1490,
  IDC_ITER_EDIT = 1491,
  IDC_DISPLACE_EDIT = 1492,
  IDC_START_EDIT = 1493,
  IDC_END_EDIT = 1494,
  IDC_BONE_LIMIT_EDIT = 1495,
  IDC_WEIGHT_SPIN = 1496,
  IDC_ITER_SPIN = 1497,
  IDC_DISPLACE_SPIN = 1498,
  IDC_START_SPIN = 1499,
  IDC_END_SPIN = 1500,
  IDC_BONE_LIMIT_SPIN = 1501,
  IDC_SOLVER_ITER_EDIT = 1502,
  IDC_SOLVER_ITER_SPIN = 1503,
};
