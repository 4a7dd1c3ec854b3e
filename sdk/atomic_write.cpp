#include "atomic_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
AtomicWriteFault& Fault() {
  static AtomicWriteFault fault;
  return fault;
}
}  // namespace

void SetAtomicWriteFaultForTesting(AtomicWriteFault fault) { Fault() = std::move(fault); }

bool WriteFileAtomic(const std::string& path, const std::string& data, std::string& error) {
  if (path.empty()) {
    error = "no file name given";
    return false;
  }
  // A unique name beside the target, so the rename stays on one file system.
  std::string tmpl = path + ".tmp.XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    error = "cannot create a temporary file beside " + path + ": " + std::strerror(errno);
    return false;
  }
  const std::string temp(name.data());
  auto fail = [&](const char* what) {
    error = std::string(what) + " " + temp + ": " + std::strerror(errno);
    ::close(fd);
    ::unlink(temp.c_str());
    return false;
  };
  constexpr size_t kChunk = 1 << 20;
  for (size_t done = 0; done < data.size();) {
    const size_t size = std::min(kChunk, data.size() - done);
    if (Fault() && !Fault()(done, size)) {
      errno = ENOSPC;
      return fail("cannot write");
    }
    const ssize_t n = ::write(fd, data.data() + done, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail("cannot write");
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) return fail("cannot flush");
  // mkstemp makes the file private; a saved file gets the usual mode.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  if (::close(fd) != 0) {
    error = "cannot close " + temp + ": " + std::strerror(errno);
    ::unlink(temp.c_str());
    return false;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    error = "cannot rename " + temp + " to " + path + ": " + std::strerror(errno);
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}
