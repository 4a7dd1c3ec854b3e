// Stand-in host: a value that is constant or set by keys over time.
// Between keys the value is interpolated (Interpolate for the value type);
// before the first key and after the last it holds that key's value.
#pragma once
#include <algorithm>
#include <vector>

#include "host_types.h"
#include "point3.h"

inline Point3 Interpolate(const Point3& a, const Point3& b, float u) { return a + (b - a) * u; }
inline double Interpolate(double a, double b, float u) { return a + (b - a) * u; }

template <typename V>
struct Key {
  TimeValue time;
  V value;
};

template <typename V>
class KeyTrack {
 public:
  explicit KeyTrack(const V& v = V()) : value_(v) {}

  V Eval(TimeValue t) const {
    if (keys_.empty()) return value_;
    if (t <= keys_.front().time) return keys_.front().value;
    if (t >= keys_.back().time) return keys_.back().value;
    auto hi = std::upper_bound(keys_.begin(), keys_.end(), t,
                               [](TimeValue tv, const Key<V>& k) { return tv < k.time; });
    auto lo = hi - 1;
    const float u = static_cast<float>(t - lo->time) / static_cast<float>(hi->time - lo->time);
    return Interpolate(lo->value, hi->value, u);
  }

  bool IsAnimated() const { return !keys_.empty(); }
  // The value for all times; only meaningful while there are no keys.
  void SetValue(const V& v) { value_ = v; }
  const V& Value() const { return value_; }

  // Sets or replaces the key at t. The first key set away from time 0 also
  // keys the previous value at 0, so animating starts from where it was.
  void SetKey(TimeValue t, const V& v) {
    if (keys_.empty() && t != 0) Insert(0, value_);
    Insert(t, v);
  }

  // Sets or replaces the key at t and nothing else (scene loading).
  void InsertKey(TimeValue t, const V& v) { Insert(t, v); }

  int NumKeys() const { return static_cast<int>(keys_.size()); }
  const Key<V>& GetKey(int i) const { return keys_[i]; }
  Key<V>& GetKey(int i) { return keys_[i]; }
  void ClearKeys() { keys_.clear(); }

 private:
  void Insert(TimeValue t, const V& v) {
    auto it = std::lower_bound(keys_.begin(), keys_.end(), t,
                               [](const Key<V>& k, TimeValue tv) { return k.time < tv; });
    if (it != keys_.end() && it->time == t) it->value = v;
    else keys_.insert(it, Key<V>{t, v});
  }

  V value_;
  std::vector<Key<V>> keys_;
};
