#pragma once
// How long the Windows tests and the programs they start may wait for anything. Each bound is written as
// the milliseconds a native machine needs, with room to spare, and is stretched by TOVALSET_TIME_SCALE, a
// whole number (1 when unset): on an emulated machine that runs 3 or 10 times slower, set it to 3 or 10.
// This is the one place the setting is read in C++ (tests/support/time-scale.sh reads it for the test
// scripts). Header only, so that the small programs in tests/win32/programs use it without linking the
// rest of the test support.

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace tovalset::test {

// TOVALSET_TIME_SCALE, read once. Any other value than a whole number from 1 to 1000 ends the program at
// once: a scale of 0, or one that was mistyped, would turn every bound into a guess again.
inline DWORD TimeScale() {
    static const DWORD scale = [] {
        char text[16] = {};
        const DWORD length = GetEnvironmentVariableA("TOVALSET_TIME_SCALE", text, sizeof text);
        if (length == 0) {
            return DWORD{1};
        }
        char* end = text;
        const unsigned long value = length < sizeof text ? std::strtoul(text, &end, 10) : 0;
        if (end == text || *end != '\0' || value < 1 || value > 1000) {
            std::fprintf(stderr, "TOVALSET_TIME_SCALE must be a whole number from 1 to 1000, not \"%s\"\n",
                         text);
            std::exit(2);
        }
        return static_cast<DWORD>(value);
    }();
    return scale;
}

// A native machine's milliseconds, stretched to this machine's.
inline DWORD Bound(DWORD milliseconds) {
    const DWORD scale = TimeScale();
    return milliseconds > (INFINITE - 1) / scale ? INFINITE - 1 : milliseconds * scale;
}

} // namespace tovalset::test
