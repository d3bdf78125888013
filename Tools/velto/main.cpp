#include "Core/Engine/Log/VLLogLevels.h"
#include "Tools/velto/VLEvalCommand.h"
#include "Tools/velto/VLRunCommand.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr, "usage: velto version\n       %s\n       %s\n", VLEvalCommand::usage,
                 VLRunCommand::usage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    VLLogSetLevelFromEnvironment();
    if (argc < 2)
        return usage();
    if (std::strcmp(argv[1], "version") == 0) {
        std::printf("velto 0.1\n");
        return 0;
    }
    if (std::strcmp(argv[1], "eval") == 0)
        return VLEvalCommand::run(std::vector<std::string>(argv + 2, argv + argc));
    if (std::strcmp(argv[1], "run") == 0)
        return VLRunCommand::run(std::vector<std::string>(argv + 2, argv + argc));
    return usage();
}
