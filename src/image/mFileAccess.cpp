#include "mFileAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace brennic {

std::string NonRegularKind(unsigned lMode) {
  if (S_ISREG(lMode)) return {};
  if (S_ISDIR(lMode)) return "a folder";
  if (S_ISFIFO(lMode)) return "a named pipe (FIFO)";
  if (S_ISCHR(lMode) || S_ISBLK(lMode)) return "a device";
  if (S_ISSOCK(lMode)) return "a socket";
  return "a special file";
}

int OpenRegularFile(const std::string& sPath, std::string& sKind) {
  sKind.clear();
  struct stat info {};
  if (::stat(sPath.c_str(), &info) != 0) return -1;
  sKind = NonRegularKind(info.st_mode);
  if (!sKind.empty()) {
    errno = 0;
    return -1;
  }
  // Non-blocking, so that a pipe put in the file's place since the check cannot hold us up;
  // the descriptor itself is checked again.
  const int fd = ::open(sPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return -1;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    sKind = NonRegularKind(info.st_mode);
    ::close(fd);
    errno = 0;
    return -1;
  }
  return fd;
}

}  // namespace brennic
