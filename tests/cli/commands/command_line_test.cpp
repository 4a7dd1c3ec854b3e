#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(CommandLine, BadValuesAreRefusedWithTheirRange) {
  TempDir d;
  const std::string obj = d.Write("m.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  const std::string base = "deform --rest " + obj + " --posed " + obj + " -o " + d.File("out.obj");
  struct Case {
    std::string args, message;
  } cases[] = {
      {base + " --iter 2000", "not in range 0 to 1000"},
      {base + " --weight 1.5", "--weight: Value 1.5 not in range 0.000000 to 1.000000"},
      {base + " --displace -1", "--displace: Value -1 not in range"},
      {base + " --path quads", "quads not in {tri,poly}"},
      {base + " --frobnicate", "The following argument was not expected: --frobnicate"},
      {"deform --rest " + d.File("none.obj") + " --posed " + obj + " -o x.obj", "File does not exist"},
      {"bake " + obj + " -o out.glb --bone-limit 0", "--bone-limit takes auto or a whole number from 1 to 100, not \"0\""},
      {"solve " + obj + " -o out.fws --bone-limit many", "--bone-limit takes auto or a whole number from 1 to 100"},
      {"solve " + obj + " -o out.fws --iterations 16", "not in range 1 to 15"},
      {"", "A subcommand is required"},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_NE(RunFernwickIn(".", c.args, out), 0) << c.args;
    EXPECT_NE(out.find(c.message), std::string::npos) << c.args << "\n" << out;
  }
  EXPECT_FALSE(std::filesystem::exists(d.File("out.obj")));
}

TEST(CommandLine, DeformWritesItsOutput) {
  TempDir d;
  const std::string obj = d.Write("m.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 4 3\n");
  std::string out;
  ASSERT_EQ(RunFernwickIn(".", "deform --rest " + obj + " --posed " + obj + " -o " + d.File("out.obj"), out), 0) << out;
  EXPECT_NE(out.find("Wrote"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(d.File("out.obj")));
}

}  // namespace
