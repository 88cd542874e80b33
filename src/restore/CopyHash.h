#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "shared/FileDescriptor.h"

// The XXH3 128-bit hash of a file's bytes, as `xxh128sum` prints it: 32 lower-case hex digits.
class CopyHash {
public:
    CopyHash();
    ~CopyHash();
    CopyHash(const CopyHash&) = delete;
    CopyHash& operator=(const CopyHash&) = delete;

    void Update(const char* bytes, std::size_t size);
    std::string Hex() const;

    // The hash of the whole of `fd`, read from its start. Throws SystemFailure (ReadCopy).
    static std::string Of(const FileDescriptor& fd);

private:
    struct State;
    std::unique_ptr<State> state_;
};
