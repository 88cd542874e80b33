#pragma once

#include <cstddef>
#include <cstdint>

// Owns a POSIX file descriptor and closes it when it goes. Reads and writes retry on EINTR and
// throw Failure on an error.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    explicit operator bool() const { return fd_ >= 0; }
    int get() const { return fd_; }
    int release();

    // Reads up to `size` bytes; 0 at the end of the file.
    std::int64_t read(void* buffer, std::size_t size);
    // Writes up to `size` bytes in one call; returns how many were written.
    std::int64_t writeSome(const void* buffer, std::size_t size);
    // Writes all `size` bytes, or throws.
    void writeAll(const void* buffer, std::size_t size);
    // Closes now and throws when the close reports a failure (a delayed write error).
    void close();
    // Flushes the data to the disk, then closes; throws when either fails. Closed either way.
    void flushAndClose();

private:
    int fd_ = -1;
};
