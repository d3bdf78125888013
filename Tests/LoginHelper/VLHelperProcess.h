#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Changes to the test's environment for a process it starts: a value sets the variable, nothing unsets it.
using VLEnvironmentChanges = std::map<std::string, std::optional<std::string>>;

// The helper program run as the session or the main application runs it, from any copy of it.
class VLHelperProcess {
public:
    struct Outcome {
        int status;
        std::string out;
        std::string err;
    };

    // Runs the program to its end and collects what it wrote, and what anything it started in the
    // background wrote, until all of them are done.
    static Outcome run(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                       const VLEnvironmentChanges& environment);
};
