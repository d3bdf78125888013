#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// The arguments of every velto command that runs scripts: how long it may run (--timeout SECONDS, 10 by
// default), the script-message handlers whose messages it prints (--handler NAME, repeated), the
// command's own options, and one operand (the script or the package).
class VLToolOptions {
public:
    enum class Reading { Taken, NotTaken, Refused };
    // Reads the command's own option at the index, with its value (the index then points at the
    // value). Refused after a message on standard error.
    using OwnOptionReader = std::function<Reading(const std::vector<std::string>& arguments, size_t& index)>;

    // False, after a message on standard error, when an argument is not understood or the operand is
    // missing.
    bool parse(const std::vector<std::string>& arguments, const OwnOptionReader& readOwnOption);

    std::chrono::milliseconds timeout() const { return _timeout; }
    const std::vector<std::string>& handlerNames() const { return _handlerNames; }
    const std::string& operand() const { return _operand; }

private:
    Reading readShared(const std::vector<std::string>& arguments, size_t& index);

    std::chrono::milliseconds _timeout{10000};
    std::vector<std::string> _handlerNames;
    std::string _operand;
};
