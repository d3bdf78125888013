#pragma once

#include <string>

// Standard output and error for a process to inherit, collected until the process and everything it
// started have closed them: once collected, a program launched in the background has finished writing.
class VLProcessOutput {
public:
    VLProcessOutput();
    ~VLProcessOutput();
    VLProcessOutput(const VLProcessOutput&) = delete;
    VLProcessOutput& operator=(const VLProcessOutput&) = delete;

    // The write ends, which the process takes as its descriptors 1 and 2.
    int outputDescriptor() const { return _output[1]; }
    int errorDescriptor() const { return _error[1]; }

    // Lets go of the write ends and reads both pipes to their end. False when they are still open after
    // the limit, which only keeps a broken test from hanging.
    bool collect();

    const std::string& out() const { return _out; }
    const std::string& err() const { return _err; }

private:
    int _output[2] = {-1, -1};
    int _error[2] = {-1, -1};
    std::string _out;
    std::string _err;
};
