// The Khronos glTF validator's verdict on a written file (node, installed by
// npm ci in tests/validator).
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

inline void ExpectValidGltf(const std::string& file) {
  const std::string cmd = std::string(FW_NODE) + " " + FW_VALIDATE_SCRIPT + " '" + file + "' 2>&1";
  std::string report;
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr) << "cannot run " << cmd;
  char buf[512];
  while (fgets(buf, sizeof buf, p)) report += buf;
  const int rc = pclose(p);
  EXPECT_EQ(rc, 0) << "the glTF validator rejects or could not check " << file << ":\n" << report;
  EXPECT_EQ(report.rfind("errors=0 ", 0), 0u) << report;
}
