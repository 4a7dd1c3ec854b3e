// The modifier's own chunks: whatever Load accepts must evaluate without
// reading past the mesh it is given.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "sdk/chunk_io.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::FernwickDesc();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto* mod = static_cast<Modifier*>(fuzz::FernwickDesc()->Create(TRUE));
  MemoryLoad load(data, size);
  if (mod->Load(&load) != IO_OK) {
    // The host drops an object whose data did not load.
    mod->DeleteMe();
  } else {
    INode* node = fuzz::NodeWithSmallMesh(L"fuzz");
    InsertModifier(node, mod);
    node->EvalWorldState(0);
  }
  fuzz::ResetHost();
  return 0;
}
