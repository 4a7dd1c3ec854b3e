// Where a bake's time goes: the solve's own stages, told apart by the
// prompt line it keeps ("Collecting DeltaMush samples... 1/3", "Calculating
// distances... 2/3", "Solving weights... 3/3"), and whatever the program
// times itself.
#pragma once
#include <chrono>
#include <map>
#include <string>

#include "sdk/interface.h"

class SolveStageClock : public StatusListener {
 public:
  // Listens to the host's prompt line for the life of the object.
  SolveStageClock();
  ~SolveStageClock() override;
  SolveStageClock(const SolveStageClock&) = delete;
  SolveStageClock& operator=(const SolveStageClock&) = delete;

  void StatusChanged() override;
  // Time the program spent on a stage of its own.
  void Add(const std::string& stage, double seconds) { seconds_[stage] += seconds; }
  // Seconds per stage: "sampling", "distances", "search" from the solve, and
  // whatever was added.
  const std::map<std::string, double>& Seconds();

 private:
  void Close(std::chrono::steady_clock::time_point now);

  std::map<std::string, double> seconds_;
  std::string stage_;  // the solve's stage under way, or empty
  std::chrono::steady_clock::time_point since_;
};
