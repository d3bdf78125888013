#include "Tests/Tools/velto/VLVeltoProcess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string package(const char* name) {
    return std::string(VELTO_FIXTURES) + "/system-status/packages/" + name;
}

std::string replaced(std::string text, const std::string& placeholder, const std::string& value) {
    if (size_t at = text.find(placeholder); at != std::string::npos)
        text.replace(at, placeholder.size(), value);
    return text;
}

// The processors that /proc/stat lists, and MemTotal in bytes.
std::string machineCores() {
    std::ifstream stat("/proc/stat");
    int cores = 0;
    for (std::string line; std::getline(stat, line);)
        cores +=
            line.size() > 3 && line.starts_with("cpu") && std::isdigit(static_cast<unsigned char>(line[3]));
    return std::to_string(cores);
}

std::string machineMemory() {
    std::ifstream meminfo("/proc/meminfo");
    for (std::string line; std::getline(meminfo, line);) {
        if (line.starts_with("MemTotal:"))
            return std::to_string(std::stoull(line.substr(9)) * 1024);
    }
    return "0";
}

} // namespace

TEST(VLSystemStatusScriptTests, WithoutThePermissionThereIsNoSystemStatus) {
    const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run("run '" + package("denied") + "'");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(package("denied") + "/expected.txt"));
    EXPECT_EQ(outcome.err, "");
}

TEST(VLSystemStatusScriptTests, WithItTheReadingsShowThisMachineAndChangeArrives) {
    const VLVeltoProcess::Outcome outcome =
        VLVeltoProcess::run("run --payload allowsSystemInformation=true '" + package("allowed") + "'");
    EXPECT_EQ(outcome.status, 0);
    std::string expected = VLVeltoProcess::contentsOf(package("allowed") + "/expected.txt");
    expected = replaced(replaced(expected, "{cores}", machineCores()), "{memoryTotal}", machineMemory());
    EXPECT_EQ(outcome.out, expected);
    EXPECT_EQ(outcome.err, "");
}
