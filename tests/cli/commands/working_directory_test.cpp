// Every command as a new user types it: from their own working directory,
// with bare and relative file names, through the program itself.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "tests/support/run_program.h"
#include "tests/support/small_tail.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(WorkingDirectory, EveryCommandTakesBareAndRelativeNames) {
  TempDir d;
  WriteSmallTail(d, 2);
  std::filesystem::create_directory(d.path / "sub");
  struct Step {
    std::string dir, args, wrote;  // wrote: a file or folder the step must leave, relative to d
  } steps[] = {
      {"", "bake tail.glb -o baked.glb", "baked_report.png"},
      {"", "bake tail.glb -o baked2.glb --report r.png --animation wave --summary s.json", "s.json"},
      {"sub", "review ../tail.glb ../baked.glb -o review.html", "sub/review.html"},
      {"sub", "bake ../tail.glb -o ../up.gltf", "up.gltf"},
      {"", "import tail.glb -o s.fws --animation sway", "s.fws"},
      {"", "press s.fws \"Extract state\" -o p.fws --yes", "p.fws"},
      {"", "solve p.fws -o solved.fws --yes --dump-solve-inputs in.bin --bone-limit auto", "in.bin"},
      {"sub", "export ../solved.fws --source ../tail.glb -o out.glb", "sub/out.glb"},
      {"", "scene info solved.fws --snapshot panel.svg", "panel.svg"},
      {"", "deform --gltf tail.glb -o frames", "frames/frame_0001.obj"},
      {"", "demo --obj -o limb", "limb/rest.obj"},
      {"limb", "deform --rest rest.obj --posed posed.obj -o bent.obj --path poly", "limb/bent.obj"},
  };
  for (const Step& s : steps) {
    std::string out;
    EXPECT_EQ(RunFernwickIn((d.path / s.dir).string(), s.args, out), 0) << s.args << "\n" << out;
    EXPECT_TRUE(std::filesystem::exists(d.path / s.wrote)) << s.args << "\n" << out;
  }
}

TEST(WorkingDirectory, AnOutputThatCannotBeWrittenIsRefusedBeforeTheWork) {
  TempDir d;
  WriteSmallTail(d, 2);
  d.Write("plain.txt", "a file, not a folder");
  std::filesystem::create_directory(d.path / "folder");
  std::string made;
  ASSERT_EQ(RunFernwickIn(d.path.string(), "import tail.glb -o s.fws --animation 0", made), 0) << made;
  struct Case {
    std::string args, message;
  } cases[] = {
      {"bake tail.glb -o missing/out.glb", "cannot write missing/out.glb: the folder missing does not exist"},
      {"bake tail.glb -o folder", "folder is a folder; give a file name"},
      {"bake tail.glb -o out.glb --report plain.txt/r.png", "plain.txt is not a folder"},
      {"import tail.glb -o missing/s.fws", "the folder missing does not exist"},
      {"export s.fws --source tail.glb -o missing/a.glb", "the folder missing does not exist"},
      {"press s.fws \"Extract state\" -o missing/p.fws", "the folder missing does not exist"},
      {"solve s.fws -o missing/x.fws --yes", "the folder missing does not exist"},
      {"solve s.fws -o x.fws --yes --dump-solve-inputs missing/in.bin", "the folder missing does not exist"},
      {"scene info s.fws --snapshot missing/panel.svg", "the folder missing does not exist"},
      {"deform --gltf tail.glb -o plain.txt", "plain.txt exists and is not a folder"},
      {"demo -o plain.txt", "plain.txt exists and is not a folder"},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(RunFernwickIn(d.path.string(), c.args, out), 1) << c.args;
    EXPECT_NE(out.find(c.message), std::string::npos) << c.args << "\n" << out;
    // Refused before any work: nothing imported, no button pressed.
    EXPECT_EQ(out.find("Imported"), std::string::npos) << c.args << "\n" << out;
    EXPECT_EQ(out.find("Pressing"), std::string::npos) << c.args << "\n" << out;
  }
  EXPECT_FALSE(std::filesystem::exists(d.path / "out.glb"));
  EXPECT_FALSE(std::filesystem::exists(d.path / "x.fws"));
}

TEST(WorkingDirectory, VersionIsPrinted) {
  std::string out;
  EXPECT_EQ(RunFernwickIn(".", "--version", out), 0);
  EXPECT_EQ(out.rfind("fernwick ", 0), 0u) << out;
  EXPECT_NE(out.find('.'), std::string::npos) << out;
}

}  // namespace
