#include "cli/studio/mesh_encoding.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The page's reading of the two messages, written from the layout in
// mesh_encoding.h: little-endian 32-bit words after a 32-byte header.
struct Reader {
  const std::string& bytes;
  std::uint32_t Word(size_t index) const {
    std::uint32_t w = 0;
    for (int b = 0; b < 4; ++b) w |= std::uint32_t(static_cast<unsigned char>(bytes.at(4 * index + b))) << (8 * b);
    return w;
  }
  float Float(size_t index) const {
    const std::uint32_t w = Word(index);
    float f;
    std::memcpy(&f, &w, 4);
    return f;
  }
  std::string Tag() const { return bytes.substr(0, 4); }
};

MeshTopology TwoTriangles() {
  MeshTopology t;
  t.vertexCount = 4;
  t.triangles = {0, 1, 2, 2, 1, 3};
  t.boneVertexCount = 3;
  t.boneEdges = {0, 1, 1, 2};
  t.key = TopologyKey(t);
  return t;
}

TEST(MeshEncoding, TopologyRoundTrip) {
  const MeshTopology t = TwoTriangles();
  const std::string bytes = EncodeTopology(t);
  const Reader r{bytes};
  ASSERT_EQ(bytes.size(), 32u + 4 * (6 + 4));
  EXPECT_EQ(r.Tag(), "FWTO");
  EXPECT_EQ(r.Word(1), 2u);
  EXPECT_EQ(r.Word(2), t.key);
  EXPECT_EQ(r.Word(3), 4u);  // V
  EXPECT_EQ(r.Word(4), 2u);  // T
  EXPECT_EQ(r.Word(5), 3u);  // BV
  EXPECT_EQ(r.Word(6), 2u);  // BE
  EXPECT_EQ(r.Word(7), 0u);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(r.Word(8 + i), t.triangles[i]);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(r.Word(14 + i), t.boneEdges[i]);
}

TEST(MeshEncoding, FrameRoundTrip) {
  MeshFrame f;
  f.key = 0xC0FFEE;
  f.frame = -7;
  f.hasFernwick = true;
  f.fernwickOn = true;
  f.positions = {0, 1, 2, 3.5f, -4, 5, 6, 7, 8e-3f, -1e6f, 0.25f, 1};
  f.displacement = {0, 0.5f, 2.25f, 1e-7f};
  f.bonePositions = {1, 2, 3, 4, 5, 6};
  f.normals = {127, 0, 0, 0, -127, 0, 0, 0, 127, 73, 73, -73};
  std::string bytes = "stale";
  EncodeFrame(f, bytes);
  const Reader r{bytes};
  // Four normal bytes a vertex after the float arrays.
  ASSERT_EQ(bytes.size(), 32u + 4 * (12 + 4 + 6) + 16);
  EXPECT_EQ(r.Tag(), "FWFR");
  EXPECT_EQ(r.Word(1), 2u);
  EXPECT_EQ(r.Word(2), 0xC0FFEEu);
  EXPECT_EQ(static_cast<std::int32_t>(r.Word(3)), -7);
  EXPECT_EQ(r.Word(4), 4u);
  EXPECT_EQ(r.Word(5), 2u);
  EXPECT_EQ(r.Float(6), 2.25f) << "the largest displacement";
  EXPECT_EQ(r.Word(7), 3u) << "a Fernwick, switched on";
  for (size_t i = 0; i < 12; ++i) EXPECT_EQ(r.Float(8 + i), f.positions[i]);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(r.Float(20 + i), f.displacement[i]);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(r.Float(24 + i), f.bonePositions[i]);
  for (size_t v = 0; v < 4; ++v) {
    for (size_t k = 0; k < 3; ++k) EXPECT_EQ(static_cast<std::int8_t>(bytes[32 + 88 + 4 * v + k]), f.normals[3 * v + k]);
    EXPECT_EQ(bytes[32 + 88 + 4 * v + 3], 0);
  }

  f.fernwickOn = false;
  EncodeFrame(f, bytes);
  EXPECT_EQ(Reader{bytes}.Word(7), 1u) << "a Fernwick, switched off";
  f.fernwickOn = true;  // no Fernwick: nothing is on
  f.hasFernwick = false;
  f.displacement.assign(4, 0.0f);
  EncodeFrame(f, bytes);
  EXPECT_EQ(Reader{bytes}.Word(7), 0u);
  EXPECT_EQ(Reader{bytes}.Float(6), 0.0f);
}

TEST(MeshEncoding, MissingNormalsAreZero) {
  MeshFrame f;
  f.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  f.displacement = {0, 0, 0};
  f.normals = {0, 0, 127, 5};  // the first vertex's, and a stray byte
  std::string bytes;
  EncodeFrame(f, bytes);
  ASSERT_EQ(bytes.size(), 32u + 4 * (9 + 3) + 12);
  EXPECT_EQ(bytes.substr(32 + 48), std::string("\0\0\x7f", 4) + std::string(8, '\0'));
}

TEST(MeshEncoding, EmptyMeshIsAHeaderAlone) {
  MeshTopology t;
  t.key = TopologyKey(t);
  EXPECT_EQ(EncodeTopology(t).size(), 32u);
  MeshFrame f;
  std::string bytes;
  EncodeFrame(f, bytes);
  EXPECT_EQ(bytes.size(), 32u);
  EXPECT_EQ(Reader{bytes}.Word(4), 0u);
}

TEST(MeshEncoding, TheKeyFollowsEveryPartOfTheTopology) {
  const MeshTopology base = TwoTriangles();
  auto changed = [&](auto edit) {
    MeshTopology t = base;
    edit(t);
    return TopologyKey(t) != base.key;
  };
  EXPECT_FALSE(changed([](MeshTopology&) {}));
  EXPECT_TRUE(changed([](MeshTopology& t) { t.vertexCount = 5; }));
  EXPECT_TRUE(changed([](MeshTopology& t) { std::swap(t.triangles[0], t.triangles[1]); }));
  EXPECT_TRUE(changed([](MeshTopology& t) { t.triangles.resize(3); }));
  EXPECT_TRUE(changed([](MeshTopology& t) { t.boneVertexCount = 6; }));
  EXPECT_TRUE(changed([](MeshTopology& t) { t.boneEdges.back() = 0; }));
}

}  // namespace
