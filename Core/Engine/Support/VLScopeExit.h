#pragma once

#include <utility>

// Runs a function when the scope that holds the guard ends, however it ends:
//     VLScopeExit closeFile([&] { close(fd); });
// Guards in one scope run in the reverse order of their making. The function must not throw.
template <typename Function>
class VLScopeExit {
public:
    explicit VLScopeExit(Function function) : _function(std::move(function)) {}
    ~VLScopeExit() { _function(); }

    VLScopeExit(const VLScopeExit&) = delete;
    VLScopeExit& operator=(const VLScopeExit&) = delete;

private:
    Function _function;
};
