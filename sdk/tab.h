// Stand-in host growable array.
#pragma once
#include <vector>

template <typename T>
class Tab {
 public:
  int Count() const { return static_cast<int>(v_.size()); }
  void SetCount(int n) { v_.resize(n > 0 ? n : 0); }
  void ZeroCount() { v_.clear(); }
  int Append(int n, const T* items) {
    v_.insert(v_.end(), items, items + n);
    return Count() - n;
  }
  void Append(const T& item) { v_.push_back(item); }
  T& operator[](int i) { return v_[i]; }
  const T& operator[](int i) const { return v_[i]; }
  T* Addr(int i) { return v_.data() + i; }
  const T* Addr(int i) const { return v_.data() + i; }
  void Delete(int start, int num) { v_.erase(v_.begin() + start, v_.begin() + start + num); }
  auto begin() { return v_.begin(); }
  auto end() { return v_.end(); }
  auto begin() const { return v_.begin(); }
  auto end() const { return v_.end(); }

 private:
  std::vector<T> v_;
};
