#include <gtest/gtest.h>

#include <sstream>

#include "cli/commands/deform_command.h"
#include "cli/commands/demo_command.h"
#include "cli/files/obj_file.h"
#include "tests/support/temp_dir.h"

namespace {

// A closed octahedron: every vertex has four neighbours.
const char* kOcta =
    "v 1 0 0\nv -1 0 0\nv 0 1 0\nv 0 -1 0\nv 0 0 1\nv 0 0 -1\n"
    "f 1 3 5\nf 3 2 5\nf 2 4 5\nf 4 1 5\nf 3 1 6\nf 2 3 6\nf 4 2 6\nf 1 4 6\n";

std::string Shifted(const std::string& text, float dx) {
  ObjModel m;
  std::string err;
  ParseObj(text, "in", m, err);
  for (auto& p : m.positions) p.x += dx;
  return ObjWithPositions(m, m.positions);
}

int RunOn(const TempDir& dir, const std::string& rest, const std::string& posed, const std::string& out,
          std::string* errText = nullptr, bool poly = false, std::string* outText = nullptr) {
  DeformOptions o;
  o.polyPath = poly;
  o.restPath = rest;
  o.posedPath = posed;
  o.outPath = out;
  o.params.iter = 3;
  o.params.weight = 0.5f;  // at full strength the octahedron smooths to a single point
  std::ostringstream so, se;
  const int rc = RunDeform(o, so, se);
  if (errText) *errText = se.str();
  if (outText) *outText = so.str();
  (void)dir;
  return rc;
}

TEST(DeformCommand, MovedMeshComesOutMovedWithItsShape) {
  TempDir d;
  const std::string rest = d.Write("rest.obj", kOcta), posed = d.Write("posed.obj", Shifted(kOcta, 2.0f));
  ASSERT_EQ(RunOn(d, rest, posed, d.File("out.obj")), 0);
  ObjModel out, in;
  std::string err;
  ASSERT_TRUE(ReadObjFile(d.File("out.obj"), out, err)) << err;
  ASSERT_TRUE(ParseObj(Shifted(kOcta, 2.0f), "p", in, err));
  ASSERT_EQ(out.positions.size(), 6u);
  for (size_t i = 0; i < 6; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(out.positions[i][k], in.positions[i][k], 1e-5f);
  EXPECT_EQ(out.polygons, in.polygons);
}

TEST(DeformCommand, PolygonPathGivesTheTrianglePathsPositions) {
  TempDir d;
  // A quad grid bent upward: the polygon path works on the quads directly.
  std::string grid;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) grid += "v " + std::to_string(x) + " " + std::to_string(y) + " 0\n";
  std::string posedText = grid;
  for (int y = 0; y + 1 < 4; ++y)
    for (int x = 0; x + 1 < 5; ++x) {
      const int a = y * 5 + x + 1;
      grid += "f " + std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + 6) + " " +
              std::to_string(a + 5) + "\n";
    }
  ObjModel m;
  std::string err;
  ASSERT_TRUE(ParseObj(grid, "grid", m, err)) << err;
  for (auto& p : m.positions) p.z = 0.1f * p.x * p.x;
  const std::string rest = d.Write("rest.obj", grid), posed = d.Write("posed.obj", ObjWithPositions(m, m.positions));
  std::string report;
  ASSERT_EQ(RunOn(d, rest, posed, d.File("tri.obj"), &err, false), 0) << err;
  ASSERT_EQ(RunOn(d, rest, posed, d.File("poly.obj"), &err, true, &report), 0) << err;
  EXPECT_EQ(TempDir::Read(d.File("tri.obj")), TempDir::Read(d.File("poly.obj")));
  EXPECT_NE(report.find("triangle and polygon paths give the same positions"), std::string::npos) << report;
  EXPECT_NE(report.find("through the polygon path"), std::string::npos) << report;
}

TEST(DeformCommand, OtherTopologyIsRefusedAndNothingIsWritten) {
  TempDir d;
  const std::string rest = d.Write("rest.obj", kOcta);
  std::string other = kOcta;
  other.replace(other.find("f 1 3 5"), 7, "f 1 5 3");
  const std::string posed = d.Write("posed.obj", other);
  const std::string out = d.Write("out.obj", "keep me\n");
  std::string err;
  EXPECT_EQ(RunOn(d, rest, posed, out, &err), 1);
  EXPECT_NE(err.find("does not have the rest mesh's faces (first difference at face 1)"), std::string::npos) << err;
  EXPECT_EQ(TempDir::Read(out), "keep me\n");

  const std::string fewer = d.Write("fewer.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  EXPECT_EQ(RunOn(d, rest, fewer, out, &err), 1);
  EXPECT_NE(err.find("has 3 vertices but the rest mesh"), std::string::npos) << err;
  EXPECT_EQ(TempDir::Read(out), "keep me\n");
}

TEST(DeformCommand, UnreadableInputOrOutputFailsCleanly) {
  TempDir d;
  const std::string rest = d.Write("rest.obj", kOcta);
  std::string err;
  EXPECT_EQ(RunOn(d, rest, d.File("missing.obj"), d.File("out.obj"), &err), 1);
  EXPECT_NE(err.find("cannot open"), std::string::npos);
  EXPECT_EQ(RunOn(d, rest, rest, d.File("no/such/dir/out.obj"), &err), 1);
  EXPECT_NE(err.find("the folder " + d.File("no/such/dir") + " does not exist"), std::string::npos) << err;
  // No temporary file is left behind.
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(d.path)) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST(DemoCommand, WritesTheThreeMeshes) {
  TempDir d;
  std::ostringstream so, se;
  ASSERT_EQ(RunDemo(d.File("demo"), so, se), 0) << se.str();
  for (const char* name : {"rest.obj", "posed.obj", "deformed.obj"}) {
    ObjModel m;
    std::string err;
    ASSERT_TRUE(ReadObjFile(d.File(std::string("demo/") + name), m, err)) << err;
    EXPECT_EQ(m.positions.size(), 10000u);
  }
  EXPECT_NE(so.str().find("Delta Mush"), std::string::npos);
}

}  // namespace
