#include "atomic_write.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool WriteFileAtomic(const std::string& path, const std::string& data, std::string& error) {
  if (path.empty()) {
    error = "no file name given";
    return false;
  }
  const std::string temp = path + ".tmp" + std::to_string(getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot create " + temp + ": " + std::strerror(errno);
    return false;
  }
  auto fail = [&](const char* what) {
    error = std::string(what) + " " + temp + ": " + std::strerror(errno);
    ::close(fd);
    ::unlink(temp.c_str());
    return false;
  };
  for (size_t done = 0; done < data.size();) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail("cannot write");
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) return fail("cannot flush");
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
