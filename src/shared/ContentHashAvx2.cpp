// The hash's update built for AVX2 alone; called only where the processor has it.
#if defined(__x86_64__) || defined(__i386__)

#include <cstddef>

#define XXH_STATIC_LINKING_ONLY
#define XXH_INLINE_ALL
#define XXH_VECTOR XXH_AVX2
#include <xxhash.h>

void ContentHashUpdateAvx2(void* state, const void* bytes, std::size_t size) {
    XXH3_128bits_update(static_cast<XXH3_state_t*>(state), bytes, size);
}

#endif
