#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "atomic_write.h"
#include "interface.h"
#include "scene_file.h"
#include "tests/support/temp_dir.h"
#include "tri_object.h"

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

int FilesIn(const std::filesystem::path& dir) {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) n += e.is_regular_file();
  return n;
}

TEST(SaveFaults, AWriteThatFailsPartWayLeavesThePreviousFile) {
  const TempDir scratch;
  const std::filesystem::path dir = scratch.path;
  const std::string path = (dir / "scene.fws").string();
  Interface* ip = GetCOREInterface();
  TriObject* tri = CreateNewTriObject();
  tri->mesh.setNumVerts(3);
  ip->CreateObjectNode(tri, L"first");
  std::string error;
  ASSERT_TRUE(SaveScene(path, error)) << error;
  const std::string good = Slurp(path);

  // The scene grows, then the disk fills up half-way through the save.
  TriObject* big = CreateNewTriObject();
  big->mesh.setNumVerts(200000);
  ip->CreateObjectNode(big, L"second");
  SetAtomicWriteFaultForTesting([](size_t offset, size_t) { return offset == 0; });
  EXPECT_FALSE(SaveScene(path, error));
  EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
  EXPECT_NE(error.find("No space left"), std::string::npos) << error;
  EXPECT_EQ(Slurp(path), good);
  EXPECT_EQ(FilesIn(dir), 1);  // no temporary file left behind

  // Once the fault is gone the same save succeeds and loads back.
  SetAtomicWriteFaultForTesting({});
  ASSERT_TRUE(SaveScene(path, error)) << error;
  EXPECT_NE(Slurp(path), good);
  ip->ResetScene();
  ASSERT_TRUE(LoadScene(path, error)) << error;
  EXPECT_NE(ip->GetINodeByName(L"second"), nullptr);
  ip->ResetScene();
}

}  // namespace
