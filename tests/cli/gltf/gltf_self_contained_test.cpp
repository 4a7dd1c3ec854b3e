// A .gltf whose buffer and image lie beside it becomes one GLB that reads as
// the same character with nothing beside it; a GLB that needs nothing is
// passed through as it is.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/files/atomic_file.h"
#include "cli/gltf/gltf_character.h"
#include "cli/gltf/gltf_container.h"
#include "cli/gltf/gltf_self_contained.h"
#include "cli/sample_characters/arm_character.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(GltfSelfContained, ExternalBufferAndImageMoveInside) {
  TempDir d;
  ArmCharacterShape shape;
  shape.ringsPerBone = 2;
  const std::string glb = MakeArmCharacterGlb(shape);
  GltfContainer file;
  std::string error;
  ASSERT_TRUE(SplitGltfContainer(glb, file, error)) << error;
  nlohmann::json root = nlohmann::json::parse(file.json);
  root["buffers"][0]["uri"] = "arm%20data.bin";
  root["images"] = {{{"uri", "skin.png"}}};
  d.Write("arm data.bin", file.bin);
  d.Write("skin.png", std::string("\x89PNG\r\n\x1a\n", 8) + "not really");
  d.Write("arm.gltf", root.dump());

  std::string packed;
  ASSERT_TRUE(SelfContainedGlb(d.File("arm.gltf"), packed, error)) << error;
  GltfCharacter want, got;
  ASSERT_TRUE(ReadGltfCharacterFromBytes(glb, "arm.glb", {}, want, error)) << error;
  ASSERT_TRUE(ReadGltfCharacterFromBytes(packed, "packed.glb", {}, got, error)) << error;
  ASSERT_EQ(got.meshes.size(), want.meshes.size());
  for (size_t m = 0; m < want.meshes.size(); ++m) {
    ASSERT_EQ(got.meshes[m].positions.size(), want.meshes[m].positions.size());
    for (size_t v = 0; v < want.meshes[m].positions.size(); ++v)
      EXPECT_EQ((got.meshes[m].positions[v] - want.meshes[m].positions[v]).Length(), 0.0f);
    EXPECT_EQ(got.meshes[m].weights, want.meshes[m].weights);
  }
  EXPECT_EQ(got.animations.size(), want.animations.size());
  GltfContainer out;
  ASSERT_TRUE(SplitGltfContainer(packed, out, error)) << error;
  const nlohmann::json image = nlohmann::json::parse(out.json)["images"][0];
  ASSERT_TRUE(image.contains("bufferView")) << image.dump();
  EXPECT_FALSE(image.contains("uri"));
  EXPECT_EQ(image["mimeType"], "image/png");
  const nlohmann::json view = nlohmann::json::parse(out.json)["bufferViews"][image["bufferView"].get<int>()];
  EXPECT_EQ(out.bin.substr(view["byteOffset"].get<size_t>(), view["byteLength"].get<size_t>()),
            TempDir::Read(d.File("skin.png")));

  std::string same;
  ASSERT_TRUE(SelfContainedGlb(d.Write("arm.glb", glb), same, error)) << error;
  EXPECT_EQ(same, glb);
  EXPECT_FALSE(SelfContainedGlb(d.File("missing.gltf"), same, error));
}

}  // namespace
