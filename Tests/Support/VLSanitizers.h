#pragma once

// Whether the tests run under a sanitizer that shadows memory: such builds reserve far more address space
// than a plain one and touch the pages of huge allocations, so a few tests leave those cases out. clang
// tells of its sanitizers through __has_feature, g++ through __SANITIZE_ADDRESS__ and its kin.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VL_TEST_SHADOWS_MEMORY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VL_TEST_SHADOWS_MEMORY 1
#endif
#endif
#ifndef VL_TEST_SHADOWS_MEMORY
#define VL_TEST_SHADOWS_MEMORY 0
#endif
