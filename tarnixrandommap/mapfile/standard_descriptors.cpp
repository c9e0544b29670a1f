#include "tarnixrandommap/mapfile/standard_descriptors.h"

#include <fcntl.h>
#include <unistd.h>

namespace tarnix {

StandardDescriptors reserve_standard_descriptors() {
  StandardDescriptors standard;
  for (int fd = 0; fd < 3; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    standard.closed[static_cast<std::size_t>(fd)] = true;
    // The lowest free number is taken, and the lower ones are open by now,
    // so this lands on `fd`. Should it fail, the descriptor stays closed
    // and is still known to have been.
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0 && null != fd) ::close(null);
  }
  return standard;
}

std::string closed_descriptor_message(int fd) {
  switch (fd) {
    case 0:
      return "standard input is closed";
    case 1:
      return "standard output is closed";
    case 2:
      return "standard error is closed";
    default:
      return "descriptor " + std::to_string(fd) + " is not open";
  }
}

}  // namespace tarnix
