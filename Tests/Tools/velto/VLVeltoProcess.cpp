#include "Tests/Tools/velto/VLVeltoProcess.h"

#include "Tests/Support/VLWaitUntil.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

VLVeltoProcess::Outcome VLVeltoProcess::run(const std::string& arguments, const std::string& environment) {
    const auto directory = std::filesystem::temp_directory_path() /
                           ("velto-tool-test-" + std::to_string(::getpid()) + "-" +
                            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory);
    const std::string command = environment + " '" + VELTO_TOOL + "' " + arguments + " >'" +
                                (directory / "out").string() + "' 2>'" + (directory / "err").string() + "'";
    const int status = std::system(command.c_str());
    Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, contentsOf(directory / "out"),
                    contentsOf(directory / "err")};
    std::filesystem::remove_all(directory);
    return outcome;
}

std::string VLVeltoProcess::contentsOf(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

VLVeltoProcess::VLVeltoProcess(std::vector<std::string> arguments) {
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return;
    arguments.insert(arguments.begin(), VELTO_TOOL);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    _pid = ::fork();
    if (_pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(pipe[1], STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execv(VELTO_TOOL, argv.data());
        ::_exit(127);
    }
    ::close(pipe[1]);
    _output = pipe[0];
}

VLVeltoProcess::~VLVeltoProcess() {
    if (_pid > 0 && !_status) {
        ::kill(_pid, SIGKILL);
        ::waitpid(_pid, nullptr, 0);
    }
    if (_output >= 0)
        ::close(_output);
}

std::string VLVeltoProcess::readLine() {
    std::string line;
    char c;
    while (::read(_output, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

std::optional<int> VLVeltoProcess::waitForExit(std::chrono::seconds limit) {
    if (!VLWaitUntil([&] { return poll(); }, limit))
        return std::nullopt;
    return WIFEXITED(*_status) ? WEXITSTATUS(*_status) : -1;
}

bool VLVeltoProcess::poll() {
    int status = 0;
    if (::waitpid(_pid, &status, WNOHANG) == _pid)
        _status = status;
    return _status.has_value();
}

long VLVeltoProcess::contextSwitches() const {
    long total = 0;
    const std::filesystem::path tasks = "/proc/" + std::to_string(_pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("voluntary_ctxt_switches:"))
                total += std::stol(line.substr(line.find(':') + 1));
        }
    }
    return total;
}
