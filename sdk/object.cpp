#include "object.h"

RefResult Object::DeleteMe() {
  if (IsObjectLocked()) return REF_FAIL;
  return ReferenceTarget::DeleteMe();
}
