// glTF JSON or GLB bytes read as a character, with its animations sampled.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/gltf/gltf_character.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const bool glb = size >= 4 && bytes.compare(0, 4, "glTF") == 0;
  GltfReadOptions options;
  GltfCharacter character;
  std::string error;
  if (!ReadGltfCharacterFromBytes(bytes, glb ? "fuzz.glb" : "fuzz.gltf", options, character, error)) return 0;
  for (const GltfSkinnedMesh& m : character.meshes) {
    Mesh mesh;
    BuildGltfMesh(m, mesh);
  }
  const std::vector<Matrix3> bind = GltfJointBindWorld(character);
  const std::vector<std::vector<GltfLimb>> limbs = GltfJointLimbs(character, bind);
  for (size_t j = 0; j < character.joints.size(); ++j) {
    Mesh bone;
    BuildGltfJointBone(limbs[j], bind[j], bone);
  }
  GltfJointRestWorld(character);
  for (const GltfAnimation& a : character.animations)
    if (a.frameCount > 0) GltfJointWorldAtFrame(character, a, a.frameCount - 1);
  return 0;
}
