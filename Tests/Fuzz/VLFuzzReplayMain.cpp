// The main of a fuzz target built without libFuzzer: it hands each file it is given, and every file in
// each folder it is given, to the target once, in name order. Options (arguments that start with '-') are
// libFuzzer's and are ignored, so that one command line serves both builds.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> inputsOf(const std::filesystem::path& argument) {
    if (!std::filesystem::is_directory(argument))
        return {argument};
    std::vector<std::filesystem::path> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(argument)) {
        if (entry.is_regular_file())
            inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

bool replay(const std::filesystem::path& input) {
    std::ifstream stream(input, std::ios::binary);
    if (!stream) {
        std::fprintf(stderr, "can't read %s\n", input.c_str());
        return false;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(stream),
                                     std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    size_t count = 0;
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        if (argument.starts_with('-'))
            continue;
        for (const auto& input : inputsOf(argument)) {
            if (!replay(input))
                return 1;
            ++count;
        }
    }
    std::printf("replayed %zu inputs\n", count);
    return 0;
}
