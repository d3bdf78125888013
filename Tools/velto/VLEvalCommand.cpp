#include "Tools/velto/VLEvalCommand.h"

#include "Core/Engine/CoreScope/VLCoreJSBindingContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Tools/velto/VLScriptOutput.h"
#include "Tools/velto/VLToolWaiting.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace {

// The file's bytes, or nothing with errno telling why.
std::optional<std::string> readFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::string contents;
    char buffer[65536];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        contents.append(buffer, count);
    const bool failed = std::ferror(file);
    const int error = errno;
    std::fclose(file);
    if (failed) {
        errno = error;
        return std::nullopt;
    }
    return contents;
}

} // namespace

int VLEvalCommand::run(const std::vector<std::string>& arguments) {
    Options options;
    if (!parse(arguments, options)) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return 2;
    }
    const std::optional<std::string> script = readFile(options.shared.operand());
    if (!script) {
        std::fprintf(stderr, "velto: can't read %s: %s\n", options.shared.operand().c_str(),
                     std::strerror(errno));
        return 1;
    }
    return evaluate(options, *script);
}

bool VLEvalCommand::parse(const std::vector<std::string>& arguments, Options& options) {
    return options.shared.parse(arguments, [&](const std::vector<std::string>& all, size_t& index) {
        if (all[index] != "--fallback-promise")
            return VLToolOptions::Reading::NotTaken;
        options.fallbackPromise = true;
        return VLToolOptions::Reading::Taken;
    });
}

int VLEvalCommand::evaluate(const Options& options, const std::string& script) {
    auto engine = VLJSEngine::create(std::make_shared<VLCoreJSBindingContext>(),
                                     options.fallbackPromise ? VLJSEngine::RejectionTracking::Fallback
                                                             : VLJSEngine::RejectionTracking::Automatic);
    engine->setConsoleHandler(VLScriptOutput::consoleHandler());
    engine->setExceptionHandler(VLScriptOutput::exceptionHandler());
    for (const std::string& name : options.shared.handlerNames())
        engine->addScriptMessageHandler(VLScriptOutput::messageHandler(name), name);

    const auto deadline = std::chrono::steady_clock::now() + options.shared.timeout();
    VLToolWaiting::begin(deadline);
    // The script is pending work itself until its evaluation has run.
    engine->evaluateScript(
        script, std::filesystem::path(options.shared.operand()).filename().string(),
        [evaluation = engine->beginPendingWork()](JSValueRef, const auto&) mutable { evaluation.reset(); });
    VLToolWaiting::runMainQueueUntilIdle(engine, deadline);
    engine.reset();
    VLToolWaiting::end(deadline);
    return 0;
}
