#include "platform/Failure.h"

#include <cstring>

std::int32_t FailureLocation(const char* file, int line) {
    // The file's base name only, so that the number does not depend on the build folder.
    const char* base = std::strrchr(file, '/');
    base = base ? base + 1 : file;
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const char* p = base; *p; ++p) {
        hash = (hash ^ static_cast<unsigned char>(*p)) * 16777619u;
    }
    // The line stays readable in the last four digits.
    return static_cast<std::int32_t>((hash % 200000u) * 10000u +
                                     static_cast<std::uint32_t>(line % 10000));
}
