#pragma once

#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <string>

// The host process's own figures for "status", gathered when asked.
struct ContentHostProcessFigures {
    // User plus system CPU time, in seconds.
    double cpu = 0;
    // Voluntary context switches of every thread: each is a sleep that a wake-up ended.
    uint64_t wakeUps = 0;
    // Bytes the process dirtied: anonymous and shared resident memory, shared surfaces included; 0 when
    // unknown.
    uint64_t memory = 0;
    // Bytes of every shared surface the process holds, the window mirrors' included; GL memory is
    // tracked per share group, not per process.
    uint64_t gpuMemory = 0;

    static ContentHostProcessFigures current();
    // RssAnon plus RssShmem of a /proc status file, in bytes; 0 when either is missing or unreadable.
    static uint64_t dirtiedMemory(const std::string& statusPath);

    VLDictionary dictionary() const;
};
