// Stand-in host: time in ticks and validity intervals.
#pragma once
#include <algorithm>
#include <climits>

#include "host_types.h"

constexpr int TIME_TICKSPERSEC = 4800;
constexpr TimeValue TIME_NegInfinity = INT_MIN;
constexpr TimeValue TIME_PosInfinity = INT_MAX;

// A closed range of ticks; start > end or (NegInf, NegInf) is empty.
class Interval {
 public:
  constexpr Interval() = default;
  constexpr Interval(TimeValue s, TimeValue e) : start_(s), end_(e) {}
  constexpr TimeValue Start() const { return start_; }
  constexpr TimeValue End() const { return end_; }
  void Set(TimeValue s, TimeValue e) { start_ = s; end_ = e; }
  void SetStart(TimeValue s) { start_ = s; }
  void SetEnd(TimeValue e) { end_ = e; }
  void SetInfinite() { start_ = TIME_NegInfinity; end_ = TIME_PosInfinity; }
  void SetEmpty() { start_ = end_ = TIME_NegInfinity; }
  void SetInstant(TimeValue t) { start_ = end_ = t; }
  constexpr bool Empty() const {
    return start_ > end_ || (start_ == TIME_NegInfinity && end_ == TIME_NegInfinity);
  }
  constexpr bool InInterval(TimeValue t) const { return !Empty() && t >= start_ && t <= end_; }
  constexpr bool operator==(const Interval& o) const { return start_ == o.start_ && end_ == o.end_; }
  constexpr bool operator!=(const Interval& o) const { return !(*this == o); }
  // Intersection.
  Interval& operator&=(const Interval& o) {
    if (Empty() || o.Empty()) {
      SetEmpty();
    } else {
      start_ = std::max(start_, o.start_);
      end_ = std::min(end_, o.end_);
      if (start_ > end_) SetEmpty();
    }
    return *this;
  }

 private:
  TimeValue start_ = TIME_NegInfinity, end_ = TIME_NegInfinity;
};

constexpr Interval FOREVER(TIME_NegInfinity, TIME_PosInfinity);
constexpr Interval NEVER(TIME_NegInfinity, TIME_NegInfinity);

// Ticks per frame at the host's frame rate (160 at 30 frames per second).
int GetTicksPerFrame();
int GetFrameRate();
void SetFrameRate(int framesPerSecond);
