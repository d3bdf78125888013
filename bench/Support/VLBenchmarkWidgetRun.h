#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

// A widget package in a folder of its own, run by the velto tool in a child process whose standard
// output the benchmark reads, so that the idle cost of a real widget process can be measured: how often
// each of its threads wakes. The child is ended and the folder removed with the run.
class VLBenchmarkWidgetRun {
public:
    // Writes the package's files (name → contents) into a new folder; `tool` is the velto tool's path.
    VLBenchmarkWidgetRun(std::string tool, const std::map<std::string, std::string>& files);
    ~VLBenchmarkWidgetRun();
    VLBenchmarkWidgetRun(const VLBenchmarkWidgetRun&) = delete;
    VLBenchmarkWidgetRun& operator=(const VLBenchmarkWidgetRun&) = delete;

    // A file of the package, for options that name one (--drive).
    std::filesystem::path path(const std::string& name) const { return _folder / name; }

    // Runs `velto run OPTIONS... FOLDER`; false when the tool could not be started.
    bool start(const std::vector<std::string>& options);
    // Reads the widget's output up to a line that holds the text; false when the output ended first.
    bool waitForLine(const char* text);

    // Voluntary context switches per thread of the child, by name and thread id: each is the thread
    // going to sleep, so each counts one wake-up.
    std::map<std::pair<std::string, std::string>, long> wakeUps() const;
    // Measures the wake-ups over the span and prints them per second, by thread and for the whole
    // process, under the heading (which says the goal).
    void printWakeUps(const char* heading, std::chrono::seconds span) const;

private:
    std::string _tool;
    std::filesystem::path _folder;
    pid_t _child = -1;
    FILE* _output = nullptr;
};
