#include "ContentHost/ContentHostProcessFigures.h"

#include "Platform/Graphics/VLSurface.h"

#include <sys/resource.h>

#include <fstream>
#include <optional>
#include <sstream>

ContentHostProcessFigures ContentHostProcessFigures::current() {
    ContentHostProcessFigures figures;
    rusage usage = {};
    if (getrusage(RUSAGE_SELF, &usage) == 0) {
        figures.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                      double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000000;
        figures.wakeUps = uint64_t(usage.ru_nvcsw);
    }
    figures.memory = dirtiedMemory("/proc/self/status");
    figures.gpuMemory = VLSurface::processTotalBytes();
    return figures;
}

uint64_t ContentHostProcessFigures::dirtiedMemory(const std::string& statusPath) {
    std::ifstream status(statusPath);
    std::optional<uint64_t> anonymous;
    std::optional<uint64_t> shared;
    std::string line;
    while (std::getline(status, line)) {
        std::optional<uint64_t>* field = line.starts_with("RssAnon:")    ? &anonymous
                                         : line.starts_with("RssShmem:") ? &shared
                                                                         : nullptr;
        if (!field)
            continue;
        std::istringstream fields(line.substr(line.find(':') + 1));
        uint64_t kibibytes = 0;
        std::string unit;
        if (fields >> kibibytes >> unit && unit == "kB")
            *field = kibibytes * 1024;
    }
    return anonymous && shared ? *anonymous + *shared : 0;
}

VLDictionary ContentHostProcessFigures::dictionary() const {
    return {
        {"cpu", cpu},
        {"wakeUps", wakeUps},
        {"memory", memory},
        {"gpuMemory", gpuMemory},
    };
}
