// The deformer's parameters, read once per evaluation at the host's current time.
#pragma once

struct DeltaMushParams {
  float weight = 1.0f;     // step of each smoothing pass, 0..1
  int iter = 1;            // smoothing passes, 0..1000
  float displace = 1.0f;   // share of the restored detail, 0..1
  bool showState = false;  // show the captured mesh instead
  bool boundFixed = true;  // hold open-boundary vertices in place
  bool vertSel = false;    // mask by the vertex selection
  bool vertCol = false;    // mask by vertex colour channel 0
};
