#include "cli/files/output_check.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Makes and removes a file in dir: the one test that answers for permissions,
// read-only mounts and full quotas alike.
bool FolderTakesFiles(const fs::path& dir, const std::string& shown, std::string& error) {
  std::string tmpl = (dir / ".fernwick-check.XXXXXX").string();
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    error = "cannot write into " + shown + ": " + std::strerror(errno);
    return false;
  }
  ::close(fd);
  ::unlink(name.data());
  return true;
}

}  // namespace

bool CheckOutputFile(const std::string& path, std::string& error) {
  if (path.empty()) {
    error = "no output file name given";
    return false;
  }
  const fs::path p(path);
  std::error_code ec;
  if (fs::is_directory(p, ec)) {
    error = path + " is a folder; give a file name";
    return false;
  }
  const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
  const std::string shown = p.has_parent_path() ? dir.string() : "the working directory";
  if (!fs::exists(dir, ec)) {
    error = "cannot write " + path + ": the folder " + dir.string() + " does not exist";
    return false;
  }
  if (!fs::is_directory(dir, ec)) {
    error = "cannot write " + path + ": " + dir.string() + " is not a folder";
    return false;
  }
  if (!FolderTakesFiles(dir, shown, error)) {
    error = "cannot write " + path + ": " + error.substr(error.find(": ") + 2);
    return false;
  }
  return true;
}

bool PrepareOutputFolder(const std::string& dir, std::string& error) {
  if (dir.empty()) {
    error = "no output folder given";
    return false;
  }
  std::error_code ec;
  if (fs::exists(dir, ec) && !fs::is_directory(dir, ec)) {
    error = dir + " exists and is not a folder";
    return false;
  }
  fs::create_directories(dir, ec);
  if (ec) {
    error = "cannot create the folder " + dir + ": " + ec.message();
    return false;
  }
  return FolderTakesFiles(dir, dir, error);
}
