#include "cli/files/atomic_file.h"

#include "sdk/atomic_write.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

bool WriteFileAtomically(const std::string& path, const std::string& data, std::string& error) {
  return WriteFileAtomic(path, data, error);
}

bool ReadWholeFile(const std::string& path, std::string& data, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) {
    error = "cannot read " + path;
    return false;
  }
  data = ss.str();
  return true;
}
