#include "fernwick_class_desc.h"

#include <new>

#include "fernwick.h"
#include "fernwick_ids.h"
#include "fernwick_plugin.h"

void* FernwickClassDesc::Create(BOOL /*loading*/) { return new (std::nothrow) Fernwick(); }
const MCHAR* FernwickClassDesc::ClassName() { return GetString(IDS_CLASS_NAME); }
SClass_ID FernwickClassDesc::SuperClassID() { return OSM_CLASS_ID; }
Class_ID FernwickClassDesc::ClassID() { return FERNWICK_CLASS_ID; }
const MCHAR* FernwickClassDesc::Category() { return GetString(IDS_CATEGORY); }
HINSTANCE FernwickClassDesc::HInstance() { return hInstance; }

FernwickClassDesc* GetFernwickDesc() {
  // A function-local static is built once, safely against concurrent first
  // calls, and destroyed when the library unloads.
  static FernwickClassDesc desc;
  return &desc;
}
