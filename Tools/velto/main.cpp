#include "Core/Engine/VLLogLevels.h"

#include <cstdio>
#include <cstring>

namespace {

int usage() {
    std::fprintf(stderr, "usage: velto version\n");
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
    return usage();
}
