#include "chunk_io.h"

#include <cstring>

namespace {
constexpr size_t kHeader = 6;
}

void MemorySave::BeginChunk(USHORT id) {
  open_.push_back(data_.size());
  const BYTE h[kHeader] = {static_cast<BYTE>(id & 0xFF), static_cast<BYTE>(id >> 8), 0, 0, 0, 0};
  data_.insert(data_.end(), h, h + kHeader);
}

void MemorySave::EndChunk() {
  if (open_.empty()) return;
  const size_t at = open_.back();
  open_.pop_back();
  const auto len = static_cast<std::uint32_t>(data_.size() - at - kHeader);
  for (int i = 0; i < 4; ++i) data_[at + 2 + i] = static_cast<BYTE>(len >> (8 * i));
}

IOResult MemorySave::Write(const void* buf, ULONG nbytes, ULONG* nwrit) {
  if (nwrit) *nwrit = 0;
  if (open_.empty() || (!buf && nbytes > 0)) return IO_ERROR;
  const auto* b = static_cast<const BYTE*>(buf);
  data_.insert(data_.end(), b, b + nbytes);
  if (nwrit) *nwrit = nbytes;
  return IO_OK;
}

IOResult MemoryLoad::OpenChunk() {
  const size_t limit = open_.empty() ? data_.size() : open_.back().end;
  if (pos_ >= limit) return IO_END;
  if (limit - pos_ < kHeader) return IO_ERROR;
  const BYTE* h = data_.data() + pos_;
  const USHORT id = static_cast<USHORT>(h[0] | (h[1] << 8));
  std::uint32_t len = 0;
  for (int i = 0; i < 4; ++i) len |= static_cast<std::uint32_t>(h[2 + i]) << (8 * i);
  if (len > limit - pos_ - kHeader) return IO_ERROR;
  open_.push_back({id, pos_ + kHeader, pos_ + kHeader + len});
  pos_ += kHeader;
  return IO_OK;
}

IOResult MemoryLoad::Read(void* buf, ULONG nbytes, ULONG* nread) {
  if (nread) *nread = 0;
  if (open_.empty() || open_.back().end - pos_ < nbytes || (!buf && nbytes > 0)) return IO_ERROR;
  if (nbytes > 0) std::memcpy(buf, data_.data() + pos_, nbytes);
  pos_ += nbytes;
  if (nread) *nread = nbytes;
  return IO_OK;
}

IOResult MemoryLoad::CloseChunk() {
  if (open_.empty()) return IO_ERROR;
  pos_ = open_.back().end;
  open_.pop_back();
  return IO_OK;
}
