#include "Tools/velto/VLEvalCommand.h"

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Platform/Foundation/VLJSONSerialization.h"

#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>

namespace {

// What the engine gets past the time-out to end in order before the process ends regardless.
constexpr std::chrono::milliseconds kEndingGrace{500};

// Writes one whole line, so that lines of the two streams do not mix.
void writeLine(std::FILE* stream, const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

std::string isoDate(VLDate date) {
    const double milliseconds = std::floor(date.secondsSince1970 * 1000);
    const std::time_t seconds = std::time_t(std::floor(milliseconds / 1000));
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    const size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03dZ", int(milliseconds - double(seconds) * 1000));
    return text;
}

// What JSON can hold of a message, as JSON.stringify would write it: dates as ISO texts, data as
// arrays of bytes, numbers that are not finite and nil as null.
VLValue jsonRepresentable(const VLValue& value) {
    switch (value.type()) {
    case VLValue::Type::Nil:
        return VLValue::null();
    case VLValue::Type::Double:
        return std::isfinite(value.doubleValue()) ? value : VLValue::null();
    case VLValue::Type::Date:
        return isoDate(value.dateValue());
    case VLValue::Type::Data: {
        VLArray bytes;
        for (uint8_t byte : value.dataValue())
            bytes.emplace_back(int(byte));
        return bytes;
    }
    case VLValue::Type::Array: {
        VLArray array;
        for (const VLValue& element : value.arrayValue())
            array.push_back(jsonRepresentable(element));
        return array;
    }
    case VLValue::Type::Dictionary: {
        VLDictionary dictionary;
        for (const auto& [key, element] : value.dictionaryValue())
            dictionary.set(key, jsonRepresentable(element));
        return dictionary;
    }
    default:
        return value;
    }
}

// Prints each message it receives as "message NAME: JSON".
class VLPrintingMessageHandler final : public VLJSEngineScriptMessageHandler {
public:
    explicit VLPrintingMessageHandler(std::string name) : _name(std::move(name)) {}

    void jsEngine(VLJSEngine&, const VLValue& message) override {
        VLJSONWritingOptions options;
        options.fragmentsAllowed = true;
        const auto json = VLJSONSerialization::dataWithJSONObject(jsonRepresentable(message), options);
        writeLine(stdout, "message " + _name + ": " + json.value_or("null"));
    }

private:
    const std::string _name;
};

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

bool parseSeconds(const std::string& text, std::chrono::milliseconds& timeout) {
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > 1e9)
        return false;
    timeout = std::chrono::milliseconds(int64_t(seconds * 1000));
    return true;
}

// Ends the process with status 0 when the moment comes, whatever still runs or waits then: a script
// that never returns, output that nobody reads. What was not written by then is dropped.
void exitAt(std::chrono::steady_clock::time_point moment) {
    struct sigaction action = {};
    action.sa_handler = [](int) { _exit(0); };
    sigaction(SIGALRM, &action, nullptr);
    const auto remaining = std::max<std::chrono::microseconds>(
        std::chrono::ceil<std::chrono::microseconds>(moment - std::chrono::steady_clock::now()),
        std::chrono::microseconds(1));
    itimerval timer = {};
    timer.it_value.tv_sec = remaining.count() / 1000000;
    timer.it_value.tv_usec = remaining.count() % 1000000;
    setitimer(ITIMER_REAL, &timer, nullptr);
}

} // namespace

int VLEvalCommand::run(const std::vector<std::string>& arguments) {
    Options options;
    if (!parse(arguments, options)) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return 2;
    }
    const std::optional<std::string> script = readFile(options.file);
    if (!script) {
        std::fprintf(stderr, "velto: can't read %s: %s\n", options.file.c_str(), std::strerror(errno));
        return 1;
    }
    return evaluate(options, *script);
}

bool VLEvalCommand::parse(const std::vector<std::string>& arguments, Options& options) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--timeout") {
            if (!hasValue || !parseSeconds(arguments[++i], options.timeout)) {
                std::fprintf(stderr, "velto: --timeout takes a number of seconds\n");
                return false;
            }
        } else if (argument == "--handler") {
            if (!hasValue || arguments[i + 1].empty()) {
                std::fprintf(stderr, "velto: --handler takes a name\n");
                return false;
            }
            options.handlerNames.push_back(arguments[++i]);
        } else if (argument == "--fallback-promise") {
            options.fallbackPromise = true;
        } else if (argument.starts_with("--") || !options.file.empty()) {
            std::fprintf(stderr, "velto: unexpected argument %s\n", argument.c_str());
            return false;
        } else {
            options.file = argument;
        }
    }
    return !options.file.empty();
}

int VLEvalCommand::evaluate(const Options& options, const std::string& script) {
    auto engine = VLJSEngine::create(options.fallbackPromise ? VLJSEngine::RejectionTracking::Fallback
                                                             : VLJSEngine::RejectionTracking::Automatic);
    engine->setConsoleHandler(
        [](const std::string& level, const std::string& text) { writeLine(stdout, level + ": " + text); });
    engine->setExceptionHandler([](const std::string& message, const std::optional<std::string>& callStack) {
        writeLine(stderr, "exception: " + message);
        if (callStack)
            writeLine(stderr, "stack: " + *callStack);
    });
    for (const std::string& name : options.handlerNames)
        engine->addScriptMessageHandler(std::make_shared<VLPrintingMessageHandler>(name), name);

    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    // The script is pending work itself until its evaluation has run.
    engine->evaluateScript(
        script, std::filesystem::path(options.file).filename().string(),
        [evaluation = engine->beginPendingWork()](JSValueRef, const auto&) mutable { evaluation.reset(); });
    engine->waitUntilIdle(deadline);

    exitAt(deadline + kEndingGrace);
    const std::shared_ptr<VLRunLoopThread> thread = engine->runLoop()->thread();
    engine.reset();
    thread->waitUntilFinished(options.timeout + kEndingGrace);
    VLLogFlush();
    return 0;
}
