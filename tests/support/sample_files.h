// The shared sample characters, which the repository does not carry: read
// from $FERNWICK_SAMPLES, else from ../shared/samples beside the repository.
// A test whose sample is missing is skipped with one line saying where it was
// looked for; with FERNWICK_REQUIRE_SAMPLES=1 (as in CI) it fails instead.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

inline std::string SamplesDir() {
  const char* env = std::getenv("FERNWICK_SAMPLES");
  if (env && *env) return env;
  return FW_DEFAULT_SAMPLES_DIR;
}

inline bool SamplesRequired() {
  const char* env = std::getenv("FERNWICK_REQUIRE_SAMPLES");
  return env && std::string(env) == "1";
}

// Declares `var` as the sample's path, or ends the test (skip or failure).
#define FW_SAMPLE_FILE(var, name)                                                              \
  const std::string var = (std::filesystem::path(SamplesDir()) / (name)).string();             \
  if (!std::filesystem::exists(var)) {                                                         \
    if (SamplesRequired()) FAIL() << "sample " << var << " is missing (FERNWICK_REQUIRE_SAMPLES=1)"; \
    GTEST_SKIP() << "sample " << (name) << " not found: looked for " << var                    \
                 << " (set FERNWICK_SAMPLES to the folder that holds it)";                     \
  }
