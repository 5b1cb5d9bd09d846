#include "platform/standard_descriptors.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace vid {

void OpenStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is `fd` itself, as the ones below it are open by now. Where there
    // is no /dev/null (a bare chroot), the root folder holds the number: reading or writing it
    // fails instead of reaching a file.
    int opened = ::open("/dev/null", O_RDWR);
    if (opened < 0) opened = ::open("/", O_RDONLY | O_DIRECTORY);
    if (opened < 0 || opened == fd) continue;
    ::dup2(opened, fd);
    ::close(opened);
  }
}

}  // namespace vid
