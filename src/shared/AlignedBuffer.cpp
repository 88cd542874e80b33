#include "shared/AlignedBuffer.h"

#include <new>

AlignedBuffer::AlignedBuffer(std::size_t size) : size_(size) {
    // aligned_alloc takes a whole number of alignments.
    const std::size_t rounded = (size + kPage - 1) / kPage * kPage;
    bytes_.reset(static_cast<char*>(std::aligned_alloc(kPage, rounded == 0 ? kPage : rounded)));
    if (!bytes_) {
        throw std::bad_alloc();
    }
}
