// Stand-in host: chunked data for saving and loading objects.
//
// A chunk is a 16-bit id, a 32-bit payload length (little-endian) and the
// payload, which may hold further chunks. MemorySave/MemoryLoad keep the
// bytes in memory; a file is just these bytes.
#pragma once
#include <cstddef>
#include <vector>

#include "host_types.h"
#include "ref_messages.h"

class ISave {
 public:
  virtual ~ISave() = default;
  virtual void BeginChunk(USHORT id) = 0;
  virtual void EndChunk() = 0;
  // Writes into the open chunk; IO_ERROR when no chunk is open.
  virtual IOResult Write(const void* buf, ULONG nbytes, ULONG* nwrit) = 0;
};

class ILoad {
 public:
  virtual ~ILoad() = default;
  // Enters the next chunk of the current level: IO_END when there is none,
  // IO_ERROR when its header or payload runs past the enclosing data.
  virtual IOResult OpenChunk() = 0;
  virtual USHORT CurChunkID() = 0;
  virtual ULONG CurChunkLength() = 0;
  // Reads from the open chunk; a read that would run past the chunk's end
  // reads nothing and answers IO_ERROR.
  virtual IOResult Read(void* buf, ULONG nbytes, ULONG* nread) = 0;
  // Leaves the open chunk, skipping what was not read.
  virtual IOResult CloseChunk() = 0;
};

class MemorySave : public ISave {
 public:
  void BeginChunk(USHORT id) override;
  void EndChunk() override;
  IOResult Write(const void* buf, ULONG nbytes, ULONG* nwrit) override;

  const std::vector<BYTE>& Data() const { return data_; }
  int OpenChunks() const { return static_cast<int>(open_.size()); }

 private:
  std::vector<BYTE> data_;
  std::vector<size_t> open_;  // header offsets of the open chunks
};

class MemoryLoad : public ILoad {
 public:
  explicit MemoryLoad(std::vector<BYTE> data) : data_(std::move(data)) {}
  MemoryLoad(const void* data, size_t size)
      : data_(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size) {}

  IOResult OpenChunk() override;
  USHORT CurChunkID() override { return open_.empty() ? 0 : open_.back().id; }
  ULONG CurChunkLength() override {
    return open_.empty() ? 0 : static_cast<ULONG>(open_.back().end - open_.back().start);
  }
  IOResult Read(void* buf, ULONG nbytes, ULONG* nread) override;
  IOResult CloseChunk() override;

 private:
  struct Open {
    USHORT id;
    size_t start, end;  // payload
  };
  std::vector<BYTE> data_;
  std::vector<Open> open_;
  size_t pos_ = 0;
};
