// Stand-in host bit set.
#pragma once
#include <cstdint>
#include <vector>

class BitArray {
 public:
  BitArray() = default;
  explicit BitArray(int n) { SetSize(n); }
  void SetSize(int n) { bits_.assign(n > 0 ? n : 0, 0); }
  int GetSize() const { return static_cast<int>(bits_.size()); }
  void Set(int i) { bits_[i] = 1; }
  void Set(int i, bool v) { bits_[i] = v ? 1 : 0; }
  void Clear(int i) { bits_[i] = 0; }
  void ClearAll() { std::fill(bits_.begin(), bits_.end(), 0); }
  void SetAll() { std::fill(bits_.begin(), bits_.end(), 1); }
  bool operator[](int i) const { return bits_[i] != 0; }
  int NumberSet() const {
    int n = 0;
    for (auto b : bits_) n += b;
    return n;
  }

 private:
  std::vector<std::uint8_t> bits_;
};
