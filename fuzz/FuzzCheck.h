#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property is a crash for libFuzzer, which then saves the input that broke it.
inline void FuzzCheck(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}
