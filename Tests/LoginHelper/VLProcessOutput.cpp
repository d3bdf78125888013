#include "Tests/LoginHelper/VLProcessOutput.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

namespace {

void closeDescriptor(int& descriptor) {
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

} // namespace

// A pipe that can't be made stays at -1: the process then writes nowhere and nothing is collected.
VLProcessOutput::VLProcessOutput() {
    ::pipe2(_output, O_CLOEXEC);
    ::pipe2(_error, O_CLOEXEC);
}

VLProcessOutput::~VLProcessOutput() {
    for (int* pipe : {_output, _error}) {
        closeDescriptor(pipe[0]);
        closeDescriptor(pipe[1]);
    }
}

bool VLProcessOutput::collect() {
    closeDescriptor(_output[1]);
    closeDescriptor(_error[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    struct pollfd descriptors[2] = {{_output[0], POLLIN, 0}, {_error[0], POLLIN, 0}};
    std::string* texts[2] = {&_out, &_err};
    while (descriptors[0].fd >= 0 || descriptors[1].fd >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ::poll(descriptors, 2, static_cast<int>(left.count())) < 0)
            return false;
        for (int index = 0; index < 2; ++index) {
            if (descriptors[index].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t count = ::read(descriptors[index].fd, buffer, sizeof buffer);
            if (count > 0)
                texts[index]->append(buffer, static_cast<size_t>(count));
            else
                descriptors[index].fd = -1; // poll skips negative descriptors
        }
    }
    return true;
}
