#include <gtest/gtest.h>

#include <sstream>

#include "cli/commands/bake_command.h"
#include "cli/commands/demo_command.h"
#include "cli/commands/import_export_commands.h"
#include "cli/commands/scene_info_command.h"
#include "cli/sample_characters/demo_character.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(SceneInfo, ShowsStacksParametersRestStateAndThePanel) {
  TempDir d;
  DemoCharacterShape shape;  // 302 vertices, 600 triangles on five joints
  shape.rings = 30;
  shape.segments = 10;
  CharacterOptions o;
  o.inPath = d.Write("tail.glb", MakeDemoCharacterGlb(shape));
  o.outPath = d.File("scene.fws");
  o.params.iter = 7;
  std::ostringstream out, err;
  ASSERT_EQ(RunImport(o, out, err), 0) << err.str();
  std::ostringstream info;
  ASSERT_EQ(RunSceneInfo(o.outPath, "", d.File("panel.svg"), info, err), 0) << err.str();
  const std::string text = info.str();
  EXPECT_NE(text.find("6 nodes"), std::string::npos) << text;
  EXPECT_NE(text.find("[0] Fernwick (Fernwick)"), std::string::npos) << text;
  EXPECT_NE(text.find("[1] Skin (Skin)"), std::string::npos) << text;
  EXPECT_NE(text.find("rest state: 302 vertices, 600 triangles"), std::string::npos) << text;
  EXPECT_NE(text.find("iter               7"), std::string::npos) << text;
  EXPECT_NE(text.find("tail_1  handle 3, child of tail_0"), std::string::npos) << text;
  const std::string svg = TempDir::Read(d.File("panel.svg"));
  EXPECT_NE(svg.find("OK, V: 302, T: 600"), std::string::npos);

  // Damaged modifier data inside a sound scene file: the scene opens, the rest
  // state is dropped and the program says so.
  std::string bytes = TempDir::Read(o.outPath);
  const std::string counts("\x00\x00\x04\x00\x00\x00\x2e\x01\x00\x00\x01\x00\x04\x00\x00\x00\x58\x02\x00\x00", 20);
  const size_t at = bytes.find(counts);
  ASSERT_NE(at, std::string::npos);
  bytes[at + 9] = 0x40;  // 302 + 2^30 vertices, more than the chunk holds
  const std::string damaged = d.Write("damaged.fws", bytes);
  std::ostringstream info2, warn;
  ASSERT_EQ(RunSceneInfo(damaged, "", "", info2, warn), 0) << warn.str();
  EXPECT_NE(warn.str().find("warning: " + damaged + ": Fernwick: the saved rest state is damaged"), std::string::npos)
      << warn.str();
  EXPECT_EQ(info2.str().find("rest state: 302 vertices"), std::string::npos) << info2.str();

  // A damaged scene is refused with a message and a non-zero exit.
  const std::string bad = d.Write("bad.fws", "FWSCENE\x1A garbage");
  std::ostringstream out2, err2;
  EXPECT_EQ(RunSceneInfo(bad, "", "", out2, err2), 1);
  EXPECT_NE(err2.str().find("fernwick scene info: "), std::string::npos);
}

}  // namespace
