#include "Supports/SystemStatus/VLMemoryPressureSource.h"

#include "Platform/Foundation/VLDispatchSource.h"
#include "Supports/SystemStatus/VLSystemStatusFileReader.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/epoll.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cstring>

VLMemoryPressureSource::~VLMemoryPressureSource() {
    stop();
}

void VLMemoryPressureSource::start(std::shared_ptr<VLDispatchQueue> queue, Handler handler) {
    stop();
    const std::string path = VLSystemStatusFileReader(_root).pathOf("/proc/pressure/memory");
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    // A trigger is written to the kernel's file, never to a file of a fixture standing in for it.
    struct statfs system;
    constexpr const char trigger[] = "some 150000 2000000";
    if (::fstatfs(fd, &system) != 0 || system.f_type != PROC_SUPER_MAGIC ||
        ::write(fd, trigger, sizeof trigger) < 0) {
        ::close(fd);
        return;
    }
    _trigger = VLDispatchSource::create(fd, EPOLLPRI, std::move(queue), std::move(handler));
}

void VLMemoryPressureSource::stop() {
    if (_trigger) {
        _trigger->cancel();
        _trigger = nullptr;
    }
}
