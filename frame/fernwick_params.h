// The parameter blocks of the Fernwick class and the accessor that reacts to
// changes of "boundFixed" and "solverIterations".
#pragma once
#include "../sdk/param_block_desc.h"

class FernwickPBAccessor : public PBAccessor {
 public:
  void Set(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex, TimeValue t) override;
};

extern FernwickPBAccessor fernwick_accessor;
extern ParamBlockDesc2 fernwick_param_blk;
extern ParamBlockDesc2 fernwick_about_blk;
