#pragma once
// What the benchmarks that bake characters share: where the shared samples
// are, a scratch folder of their own, and a main that removes it afterwards.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/terminal_host/host_memory.h"

// A shared sample: from $FERNWICK_SAMPLES, else the samples beside the repository.
inline std::string SamplePath(const std::string& name) {
  const char* env = std::getenv("FERNWICK_SAMPLES");
  return (std::filesystem::path(env && *env ? env : FW_DEFAULT_SAMPLES_DIR) / name).string();
}

// The benchmark's own folder for the characters and bakes it writes.
inline std::filesystem::path ScratchFolder(const char* name) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / name;
  std::filesystem::create_directories(dir);
  return dir;
}

// Runs the registered benchmarks with freed memory kept for reuse, as the
// program runs, then removes the scratch folder.
inline void RunCharacterBenchmarks(int argc, char** argv, const char* scratch) {
  KeepFreedMemoryForReuse();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::temp_directory_path() / scratch, ec);
}
