// "Duplicate this modifier": the host's script engine copies it.
#include "../frame/fernwick.h"
#include "../host/script_execution.h"
#include "rig_tools.h"

void DuplicateModifier(Fernwick* /*mod*/) {
  RunHostScript(
      L"if (selection.count > 1) then\n"
      L"messageBox \"Fernwick modifier does not support modifier instancing.\\nThis operation can not be "
      L"performed.\" title:\"Fernwick\"\n"
      L"else(nmod = copy (modPanel.getCurrentObject())\n"
      L"addModifier $ nmod\n"
      L"modPanel.setCurrentObject ($.modifiers[1]))");
}
