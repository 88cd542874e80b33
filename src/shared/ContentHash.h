#pragma once

#include <cstddef>
#include <memory>
#include <string>

// The XXH3 128-bit hash of a copy's bytes: taken by the backup as it writes them, so that the
// backup can be checked later without reading its sources again, and by the restore program
// to check a copy.
class ContentHash {
public:
    ContentHash();
    ~ContentHash();
    ContentHash(const ContentHash&) = delete;
    ContentHash& operator=(const ContentHash&) = delete;

    void Reset();
    void Update(const void* bytes, std::size_t size);
    // 32 lower-case hexadecimal digits, as xxh128sum writes them.
    std::string Hex() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
