#include "restore/CopyHash.h"

#include <unistd.h>
#include <cerrno>
#include <vector>

#include "restore/SystemFailure.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

struct CopyHash::State {
    XXH3_state_t xxh;
};

CopyHash::CopyHash() : state_(std::make_unique<State>()) {
    XXH3_128bits_reset(&state_->xxh);
}

CopyHash::~CopyHash() = default;

void CopyHash::Update(const char* bytes, std::size_t size) {
    XXH3_128bits_update(&state_->xxh, bytes, size);
}

std::string CopyHash::Hex() const {
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(&state_->xxh));
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : canonical.digest) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0xF];
    }
    return hex;
}

std::string CopyHash::Of(const FileDescriptor& fd) {
    if (::lseek(fd.Get(), 0, SEEK_SET) != 0) {
        throw SystemFailure(SystemFailure::Step::ReadCopy, errno);
    }
    CopyHash hash;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const long n = fd.Read(buffer.data(), buffer.size());
        if (n < 0) {
            throw SystemFailure(SystemFailure::Step::ReadCopy, errno);
        }
        if (n == 0) {
            return hash.Hex();
        }
        hash.Update(buffer.data(), static_cast<std::size_t>(n));
    }
}
