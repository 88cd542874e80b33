#include "backup/ContentHash.h"

// The state is kept inline, so its layout must be known here.
#define XXH_STATIC_LINKING_ONLY
#include <xxhash.h>
#if defined(__x86_64__) || defined(__i386__)
// The library picks the widest vector unit of the running processor (SSE2 to AVX-512): the
// hash then costs a few percent of a copy from the page cache, not a third of it.
#include <xxh_x86dispatch.h>
#endif

struct ContentHash::State {
    XXH3_state_t xxh3;
};

ContentHash::ContentHash() : state_(std::make_unique<State>()) {
    Reset();
}

ContentHash::~ContentHash() = default;

void ContentHash::Reset() {
    XXH3_128bits_reset(&state_->xxh3);
}

void ContentHash::Update(const void* bytes, std::size_t size) {
    XXH3_128bits_update(&state_->xxh3, bytes, size);
}

QByteArray ContentHash::Hex() const {
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(&state_->xxh3));
    return QByteArray(reinterpret_cast<const char*>(canonical.digest), sizeof canonical.digest)
        .toHex();
}
