#include <gtest/gtest.h>

#include <sstream>

#include "cli/character_commands.h"
#include "cli/scene_info_command.h"
#include "temp_dir.h"

namespace {

TEST(SceneInfo, ShowsStacksParametersRestStateAndThePanel) {
  TempDir d;
  CharacterOptions o;
  o.inPath = std::string(FW_SAMPLES_DIR) + "/RiggedSimple.gltf";
  o.outPath = d.File("scene.fws");
  o.params.iter = 7;
  std::ostringstream out, err;
  ASSERT_EQ(RunImport(o, out, err), 0) << err.str();
  std::ostringstream info;
  ASSERT_EQ(RunSceneInfo(o.outPath, "", d.File("panel.svg"), info, err), 0) << err.str();
  const std::string text = info.str();
  EXPECT_NE(text.find("3 nodes"), std::string::npos) << text;
  EXPECT_NE(text.find("[0] Fernwick (Fernwick)"), std::string::npos) << text;
  EXPECT_NE(text.find("[1] Skin (Skin)"), std::string::npos) << text;
  EXPECT_NE(text.find("rest state: 96 vertices, 188 triangles"), std::string::npos) << text;
  EXPECT_NE(text.find("iter               7"), std::string::npos) << text;
  EXPECT_NE(text.find("Bone.001  handle 3, child of Bone"), std::string::npos) << text;
  const std::string svg = TempDir::Read(d.File("panel.svg"));
  EXPECT_NE(svg.find("OK, V: 96, T: 188"), std::string::npos);

  // A damaged scene is refused with a message and a non-zero exit.
  const std::string bad = d.Write("bad.fws", "FWSCENE\x1A garbage");
  std::ostringstream out2, err2;
  EXPECT_EQ(RunSceneInfo(bad, "", "", out2, err2), 1);
  EXPECT_NE(err2.str().find("fernwick scene info: "), std::string::npos);
}

}  // namespace
