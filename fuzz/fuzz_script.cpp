// Script text run against a node carrying a Skin and a Fernwick, the scene a
// plug-in script meets.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "sdk/iskin.h"
#include "sdk/script_engine.h"
#include "sdk/utf8.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::FernwickDesc();
  // Enough for every plug-in script on this scene; runaway loops stop early.
  SetScriptStepBudget(200000);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring script = Utf8ToWide(std::string(reinterpret_cast<const char*>(data), size));
  Interface* ip = GetCOREInterface();
  INode* node = fuzz::NodeWithSmallMesh(L"body");
  fuzz::NodeWithSmallMesh(L"bone");
  auto* skin = static_cast<Modifier*>(ip->CreateInstance(OSM_CLASS_ID, SKIN_CLASSID));
  if (skin) InsertModifier(node, skin);
  auto* mod = static_cast<Modifier*>(fuzz::FernwickDesc()->Create(FALSE));
  InsertModifier(node, mod);
  ip->SelectNode(node);
  ip->OpenModifyPanel(mod);
  ExecuteScript(script.c_str(), TRUE, nullptr, FALSE);
  fuzz::ResetHost();
  return 0;
}
