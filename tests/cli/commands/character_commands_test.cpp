#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "cli/commands/bake_command.h"
#include "cli/commands/demo_command.h"
#include "cli/commands/import_export_commands.h"
#include "cli/commands/press_command.h"
#include "tests/support/run_program.h"
#include "tests/support/sample_files.h"
#include "tests/support/small_tail.h"
#include "tests/support/temp_dir.h"

namespace {

// The Khronos validator's verdict on a file: "errors=N ..." and its exit code.
int Validate(const std::string& file, std::string& report) {
  const std::string cmd = std::string(FW_NODE) + " " + FW_VALIDATE_SCRIPT + " '" + file + "' 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  char buf[512];
  while (fgets(buf, sizeof buf, p)) report += buf;
  return WEXITSTATUS(pclose(p));
}

// The solve's "RMS ratio after/before: 0.7" over its frames.
double SolveRmsRatio(const std::string& output) {
  const size_t at = output.find("RMS ratio after/before: ");
  return at == std::string::npos ? -1.0 : std::stod(output.substr(at + 24));
}

// The RMS ratio of the first clip's line: '  "wave" (held out, 31 frames): RMS 1.2 -> 0.5 (ratio 0.41), ...'.
double RmsRatio(const std::string& output) {
  const size_t line = output.find("held out");
  const size_t at = line == std::string::npos ? line : output.find("(ratio ", line);
  return at == std::string::npos ? -1.0 : std::stod(output.substr(at + 7));
}

TEST(CharacterCommands, DemoBakesTheSampleBetterThanItsCrudeSkin) {
  // As the README has a new user run it: from their own folder, a bare name.
  TempDir d;
  // Over an earlier demo's files: each is replaced by a new file, the old
  // one never written over in place (its second name, in kept/, would show it).
  const char* files[] = {"demo_source.glb", "demo.glb", "demo_report.png", "demo_review.html"};
  std::filesystem::create_directory(d.path / "demo");
  std::filesystem::create_directory(d.path / "kept");
  for (const char* f : files) {
    d.Write(std::string("demo/") + f, std::string("an earlier ") + f);
    std::filesystem::create_hard_link(d.path / "demo" / f, d.path / "kept" / f);
  }
  std::string output;
  ASSERT_EQ(RunFernwickIn(d.path.string(), "demo -o demo", output), 0) << output;
  for (const char* f : files) {
    EXPECT_EQ(TempDir::Read(d.File(std::string("kept/") + f)), std::string("an earlier ") + f);
    EXPECT_NE(TempDir::Read(d.File(std::string("demo/") + f)), std::string("an earlier ") + f);
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(d.path / "demo"), {}), 4) << "no temporaries left";
  EXPECT_NE(output.find("bone limit 5: the smallest with which every vertex keeps its heaviest bone"), std::string::npos)
      << output;
  const double ratio = RmsRatio(output);
  std::cout << "demo fit, RMS after/before: " << ratio << "\n";
  EXPECT_GT(ratio, 0.0);
  EXPECT_LT(ratio, 1.0);
  std::string report;
  EXPECT_EQ(Validate(d.File("demo/demo.glb"), report), 0) << report;
  EXPECT_NE(report.find("errors=0"), std::string::npos) << report;
  EXPECT_GT(std::filesystem::file_size(d.File("demo/demo_report.png")), 1000u);
}

void ExpectBakeEqualsImportPressesAndExport(const std::string& source) {
  TempDir d;
  CharacterOptions o;
  o.inPath = source;
  o.outPath = d.File("baked.glb");
  o.params.iter = 5;
  o.solverIterations = 6;
  o.quiet = true;
  // The rollout's own workflow: proxy poses only, nothing else keyed.
  o.animations = {"none"};
  o.evaluate = {"none"};
  std::ostringstream out, err;
  ASSERT_EQ(RunBake(o, out, err), 0) << err.str() << out.str();
  std::string report;
  EXPECT_EQ(Validate(o.outPath, report), 0) << report;

  // The same by steps: import, press the workflow's buttons, export.
  CharacterOptions imp = o;
  imp.outPath = d.File("scene.fws");
  ASSERT_EQ(RunImport(imp, out, err), 0) << err.str();
  PressOptions press;
  press.scenePath = imp.outPath;
  press.buttons = {"Extract state", "Create input animation", "Solve Skin weights"};
  press.outPath = d.File("solved.fws");
  press.yes = true;
  std::istringstream in;
  ASSERT_EQ(RunPress(press, in, out, err), 0) << err.str();
  // The last button from the saved, solved scene: a second session.
  PressOptions replace = press;
  replace.scenePath = press.outPath;
  replace.buttons = {"Replace and remove proxy"};
  replace.outPath = d.File("final.fws");
  ASSERT_EQ(RunPress(replace, in, out, err), 0) << err.str();
  CharacterOptions exp = o;
  exp.scenePath = replace.outPath;
  exp.outPath = d.File("stepped.glb");
  ASSERT_EQ(RunExport(exp, out, err), 0) << err.str();
  EXPECT_EQ(TempDir::Read(exp.outPath), TempDir::Read(o.outPath));
}

TEST(CharacterCommands, BakeEqualsImportPressesAndExport) {
  TempDir d;
  ExpectBakeEqualsImportPressesAndExport(WriteSmallTail(d, 2));
}

TEST(CharacterCommands, BakeEqualsImportPressesAndExportOnTheRealSample) {
  FW_SAMPLE_FILE(rigged, "RiggedSimple.gltf");
  ExpectBakeEqualsImportPressesAndExport(rigged);
}

TEST(CharacterCommands, DamagedFilesWriteNothing) {
  TempDir d;
  const std::string cases[][2] = {
      {"missing.gltf", ""},
      {"bad.gltf", "{ not json"},
      {"short.glb", "glTF\x02\x00\x00\x00"},
      {"empty.gltf", "{\"asset\":{\"version\":\"2.0\"}}"},
  };
  for (const auto& c : cases) {
    CharacterOptions o;
    o.inPath = c[1].empty() ? d.File(c[0]) : d.Write(c[0], c[1]);
    o.outPath = d.File("out.glb");
    o.quiet = true;
    std::ostringstream out, err;
    EXPECT_EQ(RunBake(o, out, err), 1) << c[0];
    EXPECT_NE(err.str().find("nothing was written"), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists(o.outPath)) << c[0];
  }
}

}  // namespace

#include "cli/commands/solve_cli_command.h"

namespace {

TEST(SolveCommand, ReportsTheFitAndDumpsTheInputs) {
  TempDir d;
  CharacterOptions imp;
  imp.inPath = WriteSmallTail(d, 2);
  imp.outPath = d.File("scene.fws");
  imp.animations = {"0"};
  std::ostringstream out, err;
  ASSERT_EQ(RunImport(imp, out, err), 0) << err.str();
  SolveOptions o;
  o.scenePath = imp.outPath;
  o.outPath = d.File("solved.fws");
  o.dumpPath = d.File("inputs.bin");
  o.iterations = 6;
  o.yes = true;
  std::istringstream in;
  std::ostringstream sout;
  ASSERT_EQ(RunSolve(o, in, sout, err), 0) << err.str() << sout.str();
  const double ratio = SolveRmsRatio(sout.str());
  EXPECT_GT(ratio, 0.0);
  EXPECT_LT(ratio, 1.0);
  EXPECT_TRUE(std::filesystem::exists(o.outPath));
  // Header and size: V = 302 vertices, F = 31 frames of the one-second clip at 30 fps, B = 5, L = 5, T = 600.
  const std::string bin = TempDir::Read(o.dumpPath);
  ASSERT_GE(bin.size(), 28u);
  EXPECT_EQ(bin.substr(0, 8), "FNWKSOLV");
  std::uint32_t head[5];
  std::memcpy(head, bin.data() + 8, sizeof head);
  EXPECT_EQ(head[0], 1u);
  const size_t V = head[1], F = head[2], B = head[3], L = head[4];
  EXPECT_EQ(V, 302u);
  EXPECT_EQ(F, 31u);
  EXPECT_EQ(B, 5u);
  EXPECT_EQ(L, 5u);
  EXPECT_EQ(bin.size(), 28 + V * 12 + B * 48 + F * B * 48 + F * V * 12 + V * L * 4 + 4 + 600 * 12);

  // Without --yes and no answer on the terminal the question is declined: nothing saved.
  SolveOptions no = o;
  no.yes = false;
  no.outPath = d.File("declined.fws");
  no.dumpPath.clear();
  std::ostringstream nout, nerr;
  EXPECT_EQ(RunSolve(no, in, nout, nerr), 1);
  EXPECT_FALSE(std::filesystem::exists(no.outPath));
}

}  // namespace
