// Runs the fernwick program as a user would: in a working directory of the
// test's choosing, with no input on the terminal.
#pragma once
#include <cstdio>
#include <string>

// Returns the exit code; output gets what it printed, standard error included.
// shell: commands for the shell that starts it (limits, signals), ending in ';'.
inline int RunFernwickIn(const std::string& dir, const std::string& args, std::string& output,
                         const std::string& shell = "") {
  const std::string cmd = "cd '" + dir + "' && " + shell + FW_FERNWICK_BIN + " " + args + " 2>&1 < /dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  char buf[512];
  while (fgets(buf, sizeof buf, p)) output += buf;
  const int status = pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
