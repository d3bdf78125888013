#include "Core/Engine/Log/VLLogLevels.h"
#include "Tools/velto/VLEvalCommand.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr, "usage: velto version\n       %s\n", VLEvalCommand::usage);
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
    return usage();
}
