#pragma once
// How a fuzzer reports a broken promise: it names the promise and aborts, so that libFuzzer keeps the
// input as a crash.

#include <cstdio>
#include <cstdlib>

namespace tovalset::fuzz {

inline void Require(bool holds, const char* fuzzer, const char* promise) {
    if (!holds) {
        std::fprintf(stderr, "%s: broken: %s\n", fuzzer, promise);
        std::abort();
    }
}

} // namespace tovalset::fuzz
