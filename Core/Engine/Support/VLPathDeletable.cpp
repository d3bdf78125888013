#include "Core/Engine/Support/VLPathDeletable.h"

#include "Core/Engine/Support/VLScopeExit.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

void VLEnablePathDeletable(const std::string& path, bool deletable) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return;
    VLScopeExit closeFile([fd] { close(fd); });
    // The kernel reads and writes an int here, whatever the request's declared type says.
    int flags = 0;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0)
        return;
    int wanted = (flags & ~FS_APPEND_FL) | (deletable ? 0 : FS_APPEND_FL);
    if (wanted != flags)
        ioctl(fd, FS_IOC_SETFLAGS, &wanted);
}
