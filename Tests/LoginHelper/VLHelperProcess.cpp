#include "Tests/LoginHelper/VLHelperProcess.h"

#include "Tests/LoginHelper/VLProcessOutput.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<std::string> environmentWith(const VLEnvironmentChanges& changes) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable(*entry);
        if (!changes.contains(variable.substr(0, variable.find('='))))
            environment.push_back(variable);
    }
    for (const auto& [name, value] : changes) {
        if (value)
            environment.push_back(name + "=" + *value);
    }
    return environment;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

VLHelperProcess::Outcome VLHelperProcess::run(const std::filesystem::path& program,
                                              const std::vector<std::string>& arguments,
                                              const VLEnvironmentChanges& environment) {
    // Everything the child needs is made before the fork: it only moves descriptors and executes.
    std::vector<std::string> argumentTexts{program.string()};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environmentTexts = environmentWith(environment);
    const std::vector<char*> argv = pointersTo(argumentTexts);
    const std::vector<char*> envp = pointersTo(environmentTexts);
    VLProcessOutput output;
    const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(input, STDIN_FILENO);
        ::dup2(output.outputDescriptor(), STDOUT_FILENO);
        ::dup2(output.errorDescriptor(), STDERR_FILENO);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(input);
    if (child < 0)
        return {-1, "", "fork failed"};
    const bool collected = output.collect();
    int status = 0;
    if (!collected)
        ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) && collected ? WEXITSTATUS(status) : -1, output.out(), output.err()};
}
