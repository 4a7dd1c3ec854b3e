// Scene file bytes loaded with the plug-in's classes registered, then every
// node evaluated once, as the host does after opening a file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "sdk/scene_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::FernwickDesc();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (LoadSceneFromBytes(bytes, error)) {
    std::vector<INode*> nodes;
    GetCOREInterface()->EnumNodes(nodes);
    for (INode* node : nodes) node->EvalWorldState(0);
  }
  fuzz::ResetHost();
  return 0;
}
