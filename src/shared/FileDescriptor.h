#pragma once

#include <cstddef>
#include <string>

// Owns a POSIX file descriptor and closes it when it goes.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    explicit operator bool() const { return fd_ >= 0; }
    int Get() const { return fd_; }
    int Release();

    // Reads up to `size` bytes, retrying on EINTR; 0 at the end, -1 with errno on an error.
    long Read(void* buffer, std::size_t size) const;
    // Writes all bytes, retrying on EINTR and short writes; false with errno on an error.
    bool WriteAll(const void* buffer, std::size_t size) const;
    // Closes now; false with errno when the close reports a lost write.
    bool Close();
    // Flushes the data to the disk, then closes; false with errno when either fails. Closed
    // either way.
    bool FlushAndClose();

private:
    int fd_ = -1;
};
