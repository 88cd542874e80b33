#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

// A copy buffer that starts on a page boundary. read() and write() run at about half speed
// into a buffer that starts a few bytes past a boundary (as a malloc block does): the kernel's
// copy to and from user memory is then misaligned on every page.
class AlignedBuffer {
public:
    static constexpr std::size_t kPage = 4096;

    AlignedBuffer() = default;
    // `size` bytes, not cleared; throws std::bad_alloc when the memory cannot be had.
    explicit AlignedBuffer(std::size_t size);

    char* Data() const { return bytes_.get(); }
    std::size_t Size() const { return size_; }

private:
    struct Free {
        void operator()(char* bytes) const { std::free(bytes); }
    };
    std::unique_ptr<char, Free> bytes_;
    std::size_t size_ = 0;
};
