#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The velto tool run as a person runs it: to its end with its output collected, or started and watched
// while it runs, its standard output in a pipe that nobody reads unless the test does and its standard
// error discarded; killed at the end of the test if it still runs.
class VLVeltoProcess {
public:
    struct Outcome {
        int status;
        std::string out;
        std::string err;
    };

    // Runs the tool with the arguments (already quoted for the shell), after the environment
    // assignments when there are any, and collects what it wrote.
    static Outcome run(const std::string& arguments, const std::string& environment = "");
    static std::string contentsOf(const std::filesystem::path& path);

    explicit VLVeltoProcess(std::vector<std::string> arguments);
    ~VLVeltoProcess();
    VLVeltoProcess(const VLVeltoProcess&) = delete;
    VLVeltoProcess& operator=(const VLVeltoProcess&) = delete;

    pid_t pid() const { return _pid; }
    // Reads the output up to the end of the next line.
    std::string readLine();
    // The exit status once the tool has ended by itself; nothing when it still runs after the limit,
    // which only keeps a broken test from hanging.
    std::optional<int> waitForExit(std::chrono::seconds limit = std::chrono::seconds(30));
    // Voluntary context switches of all the process's threads: how often its threads went to sleep,
    // and so how often something woke them.
    long contextSwitches() const;

private:
    bool poll();

    pid_t _pid = -1;
    int _output = -1;
    std::optional<int> _status;
};
