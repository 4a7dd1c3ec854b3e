// OBJ text: parse, then build both host meshes from what parsed.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/files/obj_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ObjModel model;
  std::string error;
  if (!ParseObj(text, "fuzz.obj", model, error)) return 0;
  Mesh tri;
  ObjToTriMesh(model, tri);
  MNMesh poly;
  ObjToPolyMesh(model, poly);
  return 0;
}
