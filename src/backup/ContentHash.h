#pragma once

#include <QByteArray>
#include <cstddef>
#include <memory>

// The XXH3 128-bit hash of a copy's bytes, taken as they are written, so that the backup can
// be checked later without reading its sources again.
class ContentHash {
public:
    ContentHash();
    ~ContentHash();
    ContentHash(const ContentHash&) = delete;
    ContentHash& operator=(const ContentHash&) = delete;

    void Reset();
    void Update(const void* bytes, std::size_t size);
    // 32 lower-case hexadecimal digits, as xxh128sum writes them.
    QByteArray Hex() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
