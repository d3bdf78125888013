#pragma once

#include "Platform/Graphics/VLGLFunctions.h"
#include "Platform/Graphics/VLGLLoader.h"

#include <atomic>
#include <type_traits>

// Counts the calls of one EGL or GL entry point while it lives, by standing in for its pointer.
template <auto& entryPoint, typename Function = std::remove_reference_t<decltype(entryPoint)>>
class VLGLCallCounter;

template <auto& entryPoint, typename Result, typename... Arguments>
class VLGLCallCounter<entryPoint, Result (*)(Arguments...)> {
public:
    // Loads the entry points first, so that the load does not replace the stand-in.
    VLGLCallCounter() {
        VLGLLoader::load();
        _original = entryPoint;
        _calls = 0;
        entryPoint = &counting;
    }
    ~VLGLCallCounter() { entryPoint = _original; }
    VLGLCallCounter(const VLGLCallCounter&) = delete;
    VLGLCallCounter& operator=(const VLGLCallCounter&) = delete;

    int calls() const { return _calls; }

private:
    static Result counting(Arguments... arguments) {
        ++_calls;
        return _original(arguments...);
    }

    static inline Result (*_original)(Arguments...) = nullptr;
    static inline std::atomic<int> _calls = 0;
};
