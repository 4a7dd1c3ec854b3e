#include <gtest/gtest.h>

#include <cstdint>

#include "chunk_io.h"

namespace {

void WriteInt(ISave& s, USHORT id, std::int32_t v) {
  ULONG n = 0;
  s.BeginChunk(id);
  s.Write(&v, sizeof v, &n);
  s.EndChunk();
}

TEST(ChunkIO, RoundTripOfFlatAndNestedChunks) {
  MemorySave save;
  WriteInt(save, 0, 8);
  save.BeginChunk(7);
  WriteInt(save, 1, -5);
  WriteInt(save, 2, 42);
  save.EndChunk();
  EXPECT_EQ(save.OpenChunks(), 0);
  // 6-byte headers: 6+4, then 6 + (6+4 + 6+4).
  ASSERT_EQ(save.Data().size(), 36u);
  EXPECT_EQ(save.Data()[10], 7);  // second top-level id
  EXPECT_EQ(save.Data()[12], 20);  // its payload length

  MemoryLoad load(save.Data());
  std::int32_t v = 0;
  ULONG n = 0;
  ASSERT_EQ(load.OpenChunk(), IO_OK);
  EXPECT_EQ(load.CurChunkID(), 0);
  EXPECT_EQ(load.CurChunkLength(), 4u);
  EXPECT_EQ(load.Read(&v, 4, &n), IO_OK);
  EXPECT_EQ(v, 8);
  EXPECT_EQ(n, 4u);
  load.CloseChunk();
  ASSERT_EQ(load.OpenChunk(), IO_OK);
  EXPECT_EQ(load.CurChunkID(), 7);
  ASSERT_EQ(load.OpenChunk(), IO_OK);
  EXPECT_EQ(load.CurChunkID(), 1);
  load.CloseChunk();  // unread data is skipped
  ASSERT_EQ(load.OpenChunk(), IO_OK);
  EXPECT_EQ(load.CurChunkID(), 2);
  load.Read(&v, 4, &n);
  EXPECT_EQ(v, 42);
  load.CloseChunk();
  EXPECT_EQ(load.OpenChunk(), IO_END) << "end of the enclosing chunk";
  load.CloseChunk();
  EXPECT_EQ(load.OpenChunk(), IO_END);
}

TEST(ChunkIO, ReadsNeverRunPastTheChunk) {
  MemorySave save;
  WriteInt(save, 4, 5);
  WriteInt(save, 9, 6);
  MemoryLoad load(save.Data());
  ASSERT_EQ(load.OpenChunk(), IO_OK);
  std::int32_t pair[2] = {-1, -1};
  ULONG n = 99;
  EXPECT_EQ(load.Read(pair, 8, &n), IO_ERROR);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(pair[0], -1) << "a failed read copies nothing";
  EXPECT_EQ(load.Read(pair, 4, &n), IO_OK);
  EXPECT_EQ(pair[0], 5);
  EXPECT_EQ(load.Read(pair, 1, &n), IO_ERROR);
}

TEST(ChunkIO, TruncatedDataStopsTheChunkLoop) {
  MemorySave save;
  WriteInt(save, 0, 1);
  WriteInt(save, 1, 2);
  std::vector<BYTE> cut(save.Data().begin(), save.Data().end() - 2);
  MemoryLoad load(cut);
  ASSERT_EQ(load.OpenChunk(), IO_OK);
  load.CloseChunk();
  EXPECT_EQ(load.OpenChunk(), IO_ERROR) << "payload runs past the data";
  MemoryLoad headerOnly(save.Data().data(), 3);
  EXPECT_EQ(headerOnly.OpenChunk(), IO_ERROR);
  MemoryLoad empty(nullptr, 0);
  EXPECT_EQ(empty.OpenChunk(), IO_END);
  std::int32_t v = 0;
  EXPECT_EQ(empty.Read(&v, 4, nullptr), IO_ERROR) << "no chunk open";
}

TEST(ChunkIO, WritesNeedAnOpenChunk) {
  MemorySave save;
  const int v = 3;
  ULONG n = 7;
  EXPECT_EQ(save.Write(&v, 4, &n), IO_ERROR);
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(save.Data().empty());
}

}  // namespace
