#pragma once

#include "Tools/velto/VLToolOptions.h"

#include <string>
#include <vector>

// `velto eval [--timeout SECONDS] [--handler NAME]... [--fallback-promise] FILE.js`: runs a script in an
// engine made as a runtime makes it, prints its console lines and script messages to standard output
// and its exception reports to standard error, and returns once nothing is pending or the time-out has
// passed; whatever still runs or waits to be written then (a script that never returns, output that
// nobody reads) is cut off. It sleeps while the script waits. With --fallback-promise the engine leaves
// unhandled rejections to the prelude's own Promise, as on a JavaScriptCore that cannot report them.
class VLEvalCommand {
public:
    static constexpr const char* usage =
        "velto eval [--timeout SECONDS] [--handler NAME]... [--fallback-promise] FILE.js";

    // The process's exit status: 0 once the script has run, 1 when the file can't be read, 2 for a
    // usage error.
    static int run(const std::vector<std::string>& arguments);

private:
    struct Options {
        VLToolOptions shared;
        bool fallbackPromise = false;
    };

    // Nothing (after a message on standard error) when the arguments are not understood.
    static bool parse(const std::vector<std::string>& arguments, Options& options);
    static int evaluate(const Options& options, const std::string& script);
};
