#include "bench/Support/VLBenchmarkWidgetRun.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <thread>

extern char** environ;

VLBenchmarkWidgetRun::VLBenchmarkWidgetRun(std::string tool, const std::map<std::string, std::string>& files)
    : _tool(std::move(tool)) {
    static std::atomic<int> runs{0};
    _folder = std::filesystem::temp_directory_path() /
              ("velto-bench-" + std::to_string(::getpid()) + "-" + std::to_string(runs++));
    std::filesystem::create_directories(_folder);
    for (const auto& [name, contents] : files)
        std::ofstream(_folder / name) << contents;
}

VLBenchmarkWidgetRun::~VLBenchmarkWidgetRun() {
    if (_child > 0) {
        ::kill(_child, SIGTERM);
        ::waitpid(_child, nullptr, 0);
    }
    if (_output)
        std::fclose(_output);
    std::error_code error;
    std::filesystem::remove_all(_folder, error);
}

bool VLBenchmarkWidgetRun::start(const std::vector<std::string>& options) {
    int pipe[2];
    if (_child > 0 || ::pipe(pipe) != 0)
        return false;
    std::vector<std::string> arguments{_tool, "run"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(_folder.string());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe[0]);
    pid_t child = 0;
    const bool spawned = posix_spawn(&child, _tool.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    _output = ::fdopen(pipe[0], "r");
    if (spawned)
        _child = child;
    return spawned;
}

bool VLBenchmarkWidgetRun::waitForLine(const char* text) {
    char line[256];
    while (_output && std::fgets(line, sizeof line, _output)) {
        if (std::strstr(line, text))
            return true;
    }
    return false;
}

std::map<std::pair<std::string, std::string>, long> VLBenchmarkWidgetRun::wakeUps() const {
    std::map<std::pair<std::string, std::string>, long> counts;
    const std::filesystem::path tasks = "/proc/" + std::to_string(_child) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("voluntary_ctxt_switches:"))
                counts[{name, task.path().filename().string()}] = std::stol(line.substr(line.find(':') + 1));
        }
    }
    return counts;
}

void VLBenchmarkWidgetRun::printWakeUps(const char* heading, std::chrono::seconds span) const {
    const auto before = wakeUps();
    std::this_thread::sleep_for(span);
    const auto after = wakeUps();
    const double seconds = double(span.count());
    long total = 0;
    std::printf("%s, wake-ups per second by thread:\n", heading);
    for (const auto& [thread, count] : after) {
        auto earlier = before.find(thread);
        const long woke = count - (earlier == before.end() ? 0 : earlier->second);
        total += woke;
        std::printf("  %-16s %6s %5.2f\n", thread.first.c_str(), thread.second.c_str(),
                    double(woke) / seconds);
    }
    std::printf("  %-23s %5.2f\n", "the process", double(total) / seconds);
}
