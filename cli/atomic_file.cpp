#include "atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sstream>
#include <unistd.h>
#include <vector>

bool WriteFileAtomically(const std::string& path, const std::string& data, std::string& error) {
  std::string tmpl = path + ".tmp.XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    error = "cannot create a temporary file beside " + path + ": " + std::strerror(errno);
    return false;
  }
  const char* p = data.data();
  size_t left = data.size();
  bool ok = true;
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (ok && fsync(fd) != 0) ok = false;
  const int savedErrno = errno;
  if (close(fd) != 0) ok = false;
  if (ok) {
    // mkstemp makes the file private; an output file gets the usual mode.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(name.data(), 0666 & ~mask);
  }
  if (!ok || std::rename(name.data(), path.c_str()) != 0) {
    error = "cannot write " + path + ": " + std::strerror(ok ? errno : savedErrno);
    std::remove(name.data());
    return false;
  }
  return true;
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
